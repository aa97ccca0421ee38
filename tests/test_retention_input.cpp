// What the score window stores as the retention period, whatever is typed into
// its box: only a whole number of at least one day, as ASCII digits, and nothing
// else ever reaches the settings table or the results.
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "scores/score_window.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_kit.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <memory>
#include <optional>

namespace {
const QString savedMessage = QStringLiteral("保存期間を設定しました");
const QString refusedMessage = QStringLiteral("1以上の数字を入力してください");
const QString fw = QString(QChar(0x3000)); // ideographic space
const char16_t blanks[] = {u' ', u'\t', u'\n', u'\r', u'\v', u'\f', 0x3000};

// The rule, written out independently of the program: blanks are the ASCII
// white space characters and U+3000; what is left must be decimal digits, ASCII
// or full-width, of value at least 1; it is stored as ASCII digits.
std::optional<QString> expectedStore(const QString &typed)
{
    const auto blank = [](QChar c) { return std::count(std::begin(blanks), std::end(blanks), c.unicode()) > 0; };
    qsizetype begin = 0, end = typed.size();
    while (begin < end && blank(typed[begin]))
        ++begin;
    while (end > begin && blank(typed[end - 1]))
        --end;
    QString digits;
    for (const QChar c : typed.mid(begin, end - begin)) {
        const int u = c.unicode();
        const int value = u >= u'0' && u <= u'9' ? u - u'0' : u >= 0xFF10 && u <= 0xFF19 ? u - 0xFF10 : -1;
        if (value < 0)
            return std::nullopt;
        digits += QChar(u'0' + value);
    }
    if (digits.count(QLatin1Char('0')) == digits.size()) // nothing, or only zeros
        return std::nullopt;
    return digits;
}

// Seeded generator of things a user might type or paste.
class InputMaker
{
public:
    explicit InputMaker(quint32 seed) : rng_(seed) {}

    QString next()
    {
        switch (rng_.bounded(16)) {
        case 0: case 1: case 2: case 3: return padded(number(1 + n(12)));
        case 4: return padded(QString(1 + n(3), QLatin1Char('0'))); // zero: refused
        case 5: return padded(number(20 + n(60))); // huge numbers
        case 6: return randomText(1 + n(12));
        case 7: return pick(sqlAndQuotes);
        case 8: return padded(number(1 + n(4))) + pick(sqlAndQuotes);
        case 9: // a no-break space or an em space is no blank here
            return n(2) ? QString(QChar(0x00A0) + number(1 + n(5))) : QString(number(1 + n(5)) + QChar(0x2003));
        case 10: return blanksOnly(n(6));
        case 11: { // a control character somewhere
            QString s = padded(number(1 + n(3)));
            return s.insert(n(int(s.size()) + 1), n(4) == 0 ? QChar(0x7F) : QChar(char16_t(n(0x20))));
        }
        case 12: { // a blank, sign, point, combining mark ... inside a number
            QString s = number(2 + n(4));
            return padded(s.insert(1 + n(int(s.size()) - 1), pick(separators)));
        }
        case 13: return padded(pick(otherDigits));
        case 14: { // 100,000 characters: digits only (the box keeps what fits), or text
            const bool digits = n(2) == 0;
            QString s(n(2) ? fw : QString());
            for (int i = 0; i < 100000; ++i)
                s += digits ? QChar(u'1' + i % 9) : QChar(u'a' + i % 26);
            return s;
        }
        default: return randomText(1 + n(40));
        }
    }

private:
    static inline const QStringList sqlAndQuotes = {
        "1'; DROP TABLE LOG; --", "'", "''", "\"", "90' OR '1'='1", "1; DELETE FROM ENV",
        "5' ; UPDATE ENV SET SET_LOG = 'x", "`7`", "３０'--", "’１’", "%", "\\", "NULL", "?", ":a",
        "1e3", "0x10", "Ｘ", "１０日",
    };
    static inline const QStringList separators = {
        " ", fw, "-", "+", ".", ",", QChar(0x0301), QChar(0x200B), QChar(0x00A0), QChar(0), "\n", "'",
    };
    // Digits of other scripts and digit-like signs: none of them counts.
    static inline const QStringList otherDigits = {
        "٣", "३", "²", "①", "Ⅻ", "三", "𝟗", "1️⃣", "+1", "-1", "1.5", "１．０", "5\u0301", "\u202E12", "12\uFEFF",
    };

    int n(int below) { return int(rng_.bounded(quint32(below))); }
    QString pick(const QStringList &list) { return list[n(int(list.size()))]; }

    // Digits, each ASCII or full-width, sometimes after leading zeros.
    QString number(int length)
    {
        QString s(n(6) == 0 ? 1 + n(3) : 0, QLatin1Char('0'));
        for (int i = 0; i < length; ++i) {
            const int d = i == 0 ? 1 + n(9) : n(10);
            s += n(3) == 0 ? QChar(0xFF10 + d) : QChar(u'0' + d);
        }
        return s;
    }

    QString blanksOnly(int count)
    {
        QString s;
        while (count-- > 0)
            s += QChar(blanks[n(7)]);
        return s;
    }

    QString padded(const QString &core)
    {
        const QString before = blanksOnly(n(3));
        return before + core + blanksOnly(n(3));
    }

    // Any code points: ASCII, BMP, astral, combining marks, now and then a lone surrogate.
    QString randomText(int length)
    {
        QString s;
        for (int i = 0; i < length; ++i) {
            static constexpr quint32 ranges[][2] = {{0x20, 0x5F}, {0x300, 0x70}, {0x10000, 0x100000},
                                                    {0xFF00, 0xF0}, {0x3000, 0x100}, {0, 0xD800}};
            const int kind = n(6);
            const char32_t cp[] = {kind == 4 && n(16) == 0 ? 0xD800 + rng_.bounded(0x800u)
                                                           : ranges[kind][0] + rng_.bounded(ranges[kind][1])};
            s += cp[0] >= 0x10000 ? QString::fromUcs4(cp, 1) : QString(QChar(char16_t(cp[0])));
        }
        return s;
    }

    QRandomGenerator rng_;
};

// An input as printable ASCII, shortened, for a failure message.
QString shown(const QString &s)
{
    QString out;
    for (const QChar c : s.left(60))
        out += c.unicode() < 0x20 || c.unicode() > 0x7E ? QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')) : QString(c);
    return s.size() > 60 ? out + QStringLiteral("…(%1 chars)").arg(s.size()) : out;
}
} // namespace

class TestRetentionInput : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<ExitTrap> trap;
    FakeDialogs *dialogs = nullptr;
    QStringList logRows;

    static QStringList envRows() { return Kit::dbRows(QStringLiteral("SELECT SET_LOG FROM ENV")); }
    static QStringList currentLog() { return Kit::dbRows(QStringLiteral("SELECT * FROM LOG ORDER BY rowid")); }

    // Saves what the box holds, as a click or a call of the handler: the message
    // shown and ENV must be those of `expected` (nullopt: refused, the period
    // before stays), and LOG stays as it was.
    void saveAndCheck(ScoreWindow &w, const std::optional<QString> &expected, bool click, QString &period,
                      const QString &what)
    {
        dialogs->told.clear();
        if (click)
            QTest::mouseClick(w.Command1, Qt::LeftButton);
        else
            w.Command1_Click();
        period = expected.value_or(period);
        QVERIFY2(dialogs->told == QStringList{expected ? savedMessage : refusedMessage},
                 qPrintable(what + QStringLiteral(" told ") + dialogs->told.join(QStringLiteral(" / "))));
        const QStringList env = envRows();
        QVERIFY2(env == QStringList{period}, qPrintable(what + QStringLiteral(" ENV ") + shown(env.join(','))));
        QVERIFY2(currentLog() == logRows, qPrintable(what));
    }

private slots:
    void initTestCase() { TestSetup::application(); }
    void init()
    {
        dir = std::make_unique<TempWorkDir>();
        trap = std::make_unique<ExitTrap>();
        dialogs = FakeDialogs::install();
        TestSetup::createDatabase();
        QVERIFY(SqliteFile::exec(SqliteFile::defaultPath(),
                                 QStringLiteral("INSERT INTO LOG VALUES ('2001/04/26 8:00:00', 'とけい', '9'), "
                                                "('2001/04/27 9:05:03', 'たしざん１０', '12')")));
        logRows = currentLog();
        QCOMPARE(logRows.size(), 2);
        ProjectGlobals::instance().currentDrillName = QStringLiteral("たしざん１０");
    }
    void cleanup()
    {
        Dialogs::install(nullptr);
        trap.reset();
        dir.reset();
    }

    void chosenInputsAreStoredOrRefused()
    {
        // What is typed, and what is stored ("": refused, the period before stays).
        const QStringList cases[] = {
            {"30", "30"}, {" １２ ", "12"}, {fw + "７" + fw, "7"}, {"\t9\r\n", "9"}, {"007", "007"},
            {"0", ""}, {"００", ""}, {"1 2", ""}, {"1" + fw + "2", ""}, {"+5", ""}, {"5.0", ""}, {"-3", ""},
            {"٣", ""}, {"²", ""}, {QChar(0x00A0) + QStringLiteral("4"), ""}, {"", ""}, {fw + fw, ""},
            {"1'; DROP TABLE LOG; --", ""}, {"8' ; UPDATE ENV SET SET_LOG = '1", ""}, {"5\u0301", ""}, {"𝟗", ""},
            {"１２３４５６７８９０１２３４５６７８９０１２３", "12345678901234567890123"},
        };
        ScoreWindow w;
        w.showForm();
        QString period = QStringLiteral("90");
        for (const QStringList &c : cases) {
            w.Text1->setText(c[0]);
            saveAndCheck(w, c[1].isEmpty() ? std::nullopt : std::optional(c[1]), true, period,
                         QStringLiteral("\"%1\"").arg(shown(c[0])));
            if (QTest::currentTestFailed())
                return;
        }
        // The stored period is what the window shows when it opens again.
        w.close();
        ScoreWindow again;
        again.showForm();
        QCOMPARE(again.Text1->text(), period);
    }

    void generatedInputsKeepTheSettingsClean()
    {
        bool given = false;
        quint32 seed = qEnvironmentVariable("SANSU_INPUT_SEED").toUInt(&given);
        seed = given ? seed : QRandomGenerator::global()->generate();
        qInfo("input seed %u (set SANSU_INPUT_SEED=%u to repeat this run)", seed, seed);
        InputMaker maker(seed);
        constexpr int count = 10000;
        ScoreWindow w;
        w.showForm();
        QString period = QStringLiteral("90");
        int stored = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            const QString typed = maker.next();
            w.Text1->setText(typed);
            // The box holds at most its maximum length; what it holds is what is saved.
            const std::optional<QString> expected = expectedStore(w.Text1->text());
            stored += expected.has_value();
            saveAndCheck(w, expected, i % 50 == 0, period, QStringLiteral("input %1: \"%2\"").arg(i).arg(shown(typed)));
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("%d inputs: %d stored, %lld ms", count, stored, timer.elapsed());
        // The generator makes both kinds in numbers.
        QVERIFY(stored > count / 5);
        QVERIFY(count - stored > count / 3);
    }
};

QTEST_MAIN(TestRetentionInput)
#include "test_retention_input.moc"
