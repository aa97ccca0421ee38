// What the score window stores as the retention period, whatever is typed
// into its box: only a whole number of at least one day, as ASCII digits, and
// nothing else ever reaches the settings table or the results.
#include "platform/dialogs.h"
#include "platform/project_globals.h"
#include "platform/system_clock.h"
#include "scores/score_window.h"
#include "support/exit_trap.h"
#include "support/fake_dialogs.h"
#include "support/sqlite_file.h"
#include "support/temp_work_dir.h"
#include "support/test_setup.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <optional>

namespace {
const QString savedMessage = QStringLiteral("保存期間を設定しました");
const QString refusedMessage = QStringLiteral("1以上の数字を入力してください");
const QString ideographicSpace = QString(QChar(0x3000));

// The rule, written out independently of the program: blanks are the ASCII
// white space characters and U+3000; what is left must be decimal digits,
// ASCII or full-width, of value at least 1; it is stored as ASCII digits.
std::optional<QString> expectedStore(const QString &typed)
{
    const auto blank = [](char16_t c) {
        return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r'
               || c == 0x3000;
    };
    qsizetype begin = 0;
    qsizetype end = typed.size();
    while (begin < end && blank(typed[begin].unicode()))
        ++begin;
    while (end > begin && blank(typed[end - 1].unicode()))
        --end;
    QString digits;
    bool positive = false;
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = typed[i].unicode();
        int value = -1;
        if (c >= u'0' && c <= u'9')
            value = c - u'0';
        else if (c >= 0xFF10 && c <= 0xFF19)
            value = c - 0xFF10;
        if (value < 0)
            return std::nullopt;
        positive = positive || value > 0;
        digits += QChar(u'0' + value);
    }
    if (!positive)
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
        case 0: case 1: case 2: case 3:
            return padded(number(1 + int(rng_.bounded(12))));
        case 4:
            return padded(QString(1 + rng_.bounded(3), QLatin1Char('0'))); // zero: refused
        case 5:
            return padded(number(20 + int(rng_.bounded(60)))); // huge numbers
        case 6:
            return randomText(1 + int(rng_.bounded(12)));
        case 7:
            return pick(sqlAndQuotes);
        case 8:
            return padded(number(1 + int(rng_.bounded(4)))) + pick(sqlAndQuotes);
        case 9:
            return mixedDigits();
        case 10:
            return blanksOnly();
        case 11:
            return controls();
        case 12: {
            // A digit with something in the middle: a blank, sign, point, combining mark.
            QString s = number(2 + int(rng_.bounded(4)));
            s.insert(1 + int(rng_.bounded(quint32(s.size() - 1))), pick(separators));
            return padded(s);
        }
        case 13:
            return padded(pick(otherDigits));
        case 14:
            return longText();
        default:
            return randomText(1 + int(rng_.bounded(40)));
        }
    }

private:
    static inline const QStringList sqlAndQuotes = {
        QStringLiteral("1'; DROP TABLE LOG; --"), QStringLiteral("'"), QStringLiteral("''"),
        QStringLiteral("\""), QStringLiteral("90' OR '1'='1"), QStringLiteral("1; DELETE FROM ENV"),
        QStringLiteral("5' ; UPDATE ENV SET SET_LOG = 'x"), QStringLiteral("`7`"),
        QStringLiteral("３０'--"), QStringLiteral("’１’"), QStringLiteral("%"), QStringLiteral("\\"),
        QStringLiteral("NULL"), QStringLiteral("?"), QStringLiteral(":a"), QStringLiteral("1e3"),
        QStringLiteral("0x10"), QStringLiteral("Ｘ"), QStringLiteral("１０日"),
    };
    static inline const QStringList separators = {
        QStringLiteral(" "), ideographicSpace, QStringLiteral("-"), QStringLiteral("+"),
        QStringLiteral("."), QStringLiteral(","), QString(QChar(0x0301)), QString(QChar(0x200B)),
        QString(QChar(0x00A0)), QString(QChar(0)), QStringLiteral("\n"), QStringLiteral("'"),
    };
    // Digits of other scripts and digit-like signs: none of them counts.
    static inline const QStringList otherDigits = {
        QStringLiteral("٣"), QStringLiteral("३"), QStringLiteral("²"), QStringLiteral("①"),
        QStringLiteral("Ⅻ"), QStringLiteral("三"), QStringLiteral("𝟗"), QStringLiteral("1️⃣"),
        QStringLiteral("+1"), QStringLiteral("-1"), QStringLiteral("1.5"), QStringLiteral("１．０"),
        QStringLiteral("5\u0301"), QStringLiteral("\u202E12"), QStringLiteral("12\uFEFF"),
    };

    QString pick(const QStringList &list) { return list[int(rng_.bounded(quint32(list.size())))]; }

    // Digits, each ASCII or full-width, sometimes with leading zeros.
    QString number(int length)
    {
        QString s;
        if (rng_.bounded(6) == 0)
            s += QString(1 + rng_.bounded(3), QLatin1Char('0'));
        for (int i = 0; i < length; ++i) {
            const int d = i == 0 ? 1 + int(rng_.bounded(9)) : int(rng_.bounded(10));
            s += rng_.bounded(3) == 0 ? QChar(0xFF10 + d) : QChar(u'0' + d);
        }
        return s;
    }

    QString blank()
    {
        static const char16_t blanks[] = {u' ', u'\t', u'\n', u'\r', u'\v', u'\f', 0x3000};
        return QString(QChar(blanks[rng_.bounded(7u)]));
    }

    QString padded(const QString &core)
    {
        QString s;
        for (int i = int(rng_.bounded(3)); i > 0; --i)
            s += blank();
        s += core;
        for (int i = int(rng_.bounded(3)); i > 0; --i)
            s += blank();
        return s;
    }

    QString mixedDigits()
    {
        QString s = number(1 + int(rng_.bounded(5)));
        if (rng_.bounded(2))
            s.prepend(QChar(0x00A0)); // a no-break space is not a blank here
        else
            s.append(QChar(0x2003)); // nor is an em space
        return s;
    }

    QString blanksOnly()
    {
        QString s;
        for (int i = int(rng_.bounded(6)); i > 0; --i)
            s += blank();
        return s;
    }

    QString controls()
    {
        QString s = padded(number(1 + int(rng_.bounded(3))));
        const QChar c = rng_.bounded(4) == 0 ? QChar(0x7F) : QChar(char16_t(rng_.bounded(0x20u)));
        s.insert(int(rng_.bounded(quint32(s.size() + 1))), c);
        return s;
    }

    QString longText()
    {
        // 100,000 characters: digits only (the box keeps what fits), or text.
        const int length = 100000;
        QString s;
        s.reserve(length + 2);
        const bool digits = rng_.bounded(2) == 0;
        for (int i = 0; i < length; ++i)
            s += digits ? QChar(u'1' + i % 9) : QChar(u'a' + i % 26);
        if (rng_.bounded(2))
            s.prepend(ideographicSpace);
        return s;
    }

    // Any code points: ASCII, BMP, astral (as surrogate pairs), combining
    // marks, and now and then a lone surrogate.
    QString randomText(int length)
    {
        QString s;
        for (int i = 0; i < length; ++i) {
            char32_t cp = 0;
            switch (rng_.bounded(6)) {
            case 0: cp = 0x20 + rng_.bounded(0x5Fu); break;
            case 1: cp = 0x300 + rng_.bounded(0x70u); break;
            case 2: cp = 0x10000 + rng_.bounded(0x100000u); break;
            case 3: cp = 0xFF00 + rng_.bounded(0xF0u); break;
            case 4: cp = rng_.bounded(0x10) == 0 ? 0xD800 + rng_.bounded(0x800u) : 0x3000 + rng_.bounded(0x100u); break;
            default: cp = rng_.bounded(0xD800u); break;
            }
            if (cp >= 0x10000) {
                const char32_t both[] = {cp};
                s += QString::fromUcs4(both, 1);
            } else {
                s += QChar(char16_t(cp));
            }
        }
        return s;
    }

    QRandomGenerator rng_;
};

quint32 inputSeed()
{
    bool given = false;
    const quint32 seed = qEnvironmentVariable("SANSU_INPUT_SEED").toUInt(&given);
    return given ? seed : QRandomGenerator::global()->generate();
}

QString shown(const QString &s)
{
    QString out;
    for (const QChar c : s.left(60)) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate() || c.unicode() > 0x7E)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
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

    QStringList envRows() const
    {
        return SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT SET_LOG FROM ENV"));
    }
    QStringList currentLog() const
    {
        return SqliteFile::rows(SqliteFile::defaultPath(), QStringLiteral("SELECT * FROM LOG ORDER BY rowid"));
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
        ScoreWindow w;
        w.showForm();
        QCOMPARE(w.Text1->text(), QStringLiteral("90"));
        struct Case
        {
            QString typed;
            QString stored; // empty: refused, the period before stays
        };
        const QString fw = ideographicSpace;
        const Case cases[] = {
            {QStringLiteral("30"), QStringLiteral("30")},
            {QStringLiteral(" １２ "), QStringLiteral("12")},
            {fw + QStringLiteral("７") + fw, QStringLiteral("7")},
            {QStringLiteral("\t9\r\n"), QStringLiteral("9")},
            {QStringLiteral("007"), QStringLiteral("007")},
            {QStringLiteral("0"), {}},
            {QStringLiteral("００"), {}},
            {QStringLiteral("1 2"), {}},
            {QStringLiteral("1") + fw + QStringLiteral("2"), {}},
            {QStringLiteral("+5"), {}},
            {QStringLiteral("5.0"), {}},
            {QStringLiteral("-3"), {}},
            {QStringLiteral("٣"), {}},
            {QStringLiteral("²"), {}},
            {QString(QChar(0x00A0)) + QStringLiteral("4"), {}},
            {QStringLiteral(""), {}},
            {fw + fw, {}},
            {QStringLiteral("1'; DROP TABLE LOG; --"), {}},
            {QStringLiteral("8' ; UPDATE ENV SET SET_LOG = '1"), {}},
            {QStringLiteral("１２３４５６７８９０１２３４５６７８９０１２３"), QStringLiteral("12345678901234567890123")},
            {QStringLiteral("5\u0301"), {}},
            {QStringLiteral("𝟗"), {}},
        };
        QString period = QStringLiteral("90");
        for (const Case &c : cases) {
            dialogs->told.clear();
            w.Text1->setText(c.typed);
            QTest::mouseClick(w.Command1, Qt::LeftButton);
            if (!c.stored.isEmpty())
                period = c.stored;
            QCOMPARE(dialogs->told, QStringList{c.stored.isEmpty() ? refusedMessage : savedMessage});
            QCOMPARE(envRows(), QStringList{period});
            QCOMPARE(currentLog(), logRows);
        }
        // The stored period is what the window shows when it opens again.
        w.close();
        ScoreWindow again;
        again.showForm();
        QCOMPARE(again.Text1->text(), period);
    }

    void generatedInputsKeepTheSettingsClean()
    {
        const quint32 seed = inputSeed();
        qInfo("input seed %u (set SANSU_INPUT_SEED=%u to repeat this run)", seed, seed);
        InputMaker maker(seed);
        constexpr int count = 10000;
        const QRegularExpression asciiDigits(QStringLiteral("^[0-9]+$"));

        ScoreWindow w;
        w.showForm();
        QString period = QStringLiteral("90");
        int stored = 0;
        int refused = 0;
        int cutShort = 0;
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < count; ++i) {
            const QString typed = maker.next();
            dialogs->told.clear();
            w.Text1->setText(typed);
            // The box holds at most its maximum length; what it holds is what is saved.
            const QString held = w.Text1->text();
            cutShort += held != typed;
            if (i % 50 == 0)
                QTest::mouseClick(w.Command1, Qt::LeftButton);
            else
                w.Command1_Click();
            const std::optional<QString> expected = expectedStore(held);
            if (expected) {
                period = *expected;
                ++stored;
            } else {
                ++refused;
            }
            const QString what = QStringLiteral("input %1: \"%2\"").arg(i).arg(shown(typed));
            QVERIFY2(dialogs->told == QStringList{expected ? savedMessage : refusedMessage},
                     qPrintable(what + QStringLiteral(" told ") + dialogs->told.join(QStringLiteral(" / "))));
            const QStringList env = envRows();
            QVERIFY2(env.size() == 1 && asciiDigits.match(env.front()).hasMatch() && env.front() == period,
                     qPrintable(what + QStringLiteral(" ENV ") + shown(env.join(QStringLiteral(",")))));
            QVERIFY2(currentLog() == logRows, qPrintable(what));
        }
        qInfo("%d inputs: %d stored, %d refused, %d cut to the box's length, %lld ms", count, stored,
              refused, cutShort, timer.elapsed());
        // The generator makes both kinds in numbers.
        QVERIFY(stored > count / 5);
        QVERIFY(refused > count / 3);
    }
};

QTEST_MAIN(TestRetentionInput)
#include "test_retention_input.moc"
