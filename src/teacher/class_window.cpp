#include "teacher/class_window.h"

#include "platform/colours.h"
#include "platform/dialogs.h"
#include "platform/fonts.h"
#include "platform/system_clock.h"
#include "platform/twips.h"
#include "school/school_settings.h"
#include "scores/score_chart_window.h"
#include "store/results_log.h"
#include "store/retention.h"
#include "teacher/class_settings_dialog.h"
#include "teacher/pupil_link_window.h"
#include "teacher/roster_import_window.h"
#include "teacher/teacher_login.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {
enum Column { NumberColumn, NameColumn, TodayColumn, StuckColumn, FirstDrillColumn };
const QColor todayColour(255, 255, 160);
const QColor stuckColour(255, 208, 208);
const QColor leftColour(128, 128, 128);

QString shortDay(const QDate &day)
{
    return QLocale::c().toString(day, QStringLiteral("M/d"));
}

QString longDay(const QDate &day)
{
    return QLocale::c().toString(day, QStringLiteral("yyyy/MM/dd"));
}

QString settingsText(const ClassRecords::Settings &s)
{
    const QString days = s.keptDays ? QStringLiteral("%1日").arg(*s.keptDays) : QStringLiteral("決めていない");
    const QString retry = !s.retryMissed ? QStringLiteral("決めていない")
                          : *s.retryMissed ? QStringLiteral("する")
                                           : QStringLiteral("しない");
    return QStringLiteral("成績を残す日数 %1、まちがえた もんだいを もういちど %2").arg(days, retry);
}

// A PC's clock against the server's at its last batch, in words.
QString clockText(qint64 errorS)
{
    if (qAbs(errorS) <= 300)
        return QStringLiteral("合っています");
    const qint64 minutes = (qAbs(errorS) + 30) / 60;
    const QString amount = minutes >= 60 ? QStringLiteral("%1時間%2分").arg(minutes / 60).arg(minutes % 60)
                                         : QStringLiteral("%1分").arg(minutes);
    return amount + (errorS > 0 ? QStringLiteral("進んでいます") : QStringLiteral("遅れています"));
}

QTableWidgetItem *item(const QString &text, const QString &tip = QString())
{
    auto *cell = new QTableWidgetItem(text);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (!tip.isEmpty())
        cell->setToolTip(tip);
    return cell;
}

QString notConfigured(const SchoolSettings &school)
{
    using Problem = SchoolSettings::Problem;
    if (school.path().isEmpty())
        return QStringLiteral("このPCは学校のサーバーの設定がありません。\n学校の設定ファイル sansu-drill/school.conf が"
                              " ~/.config にも /etc/xdg にもないので、クラスのようすを見られません");
    QString why;
    switch (school.problem()) {
    case Problem::Folder:
        why = QStringLiteral("フォルダです");
        break;
    case Problem::NotAFile:
        why = QStringLiteral("ふつうのファイルではありません");
        break;
    case Problem::TooLarge:
        why = QStringLiteral("大きすぎます");
        break;
    case Problem::NoService:
        why = QStringLiteral("service= の行がありません");
        break;
    case Problem::Unreadable:
    case Problem::None:
        why = QStringLiteral("読めません（%1）").arg(school.detail());
        break;
    }
    return QStringLiteral("学校の設定ファイル %1 が%2。クラスのようすを見られません").arg(school.path(), why);
}
} // namespace

ClassWindow::ClassWindow(std::unique_ptr<ClassServer> server, QList<ClassServer::ClassName> classes,
                         QList<ClassServer::ClassName> allClasses, const QString &preferred)
    : Form(QStringLiteral("ClassWindow"), QStringLiteral("クラスのようす"), 15600, 10080), server_(std::move(server)),
      classes_(std::move(classes)), allClasses_(std::move(allClasses)), preferred_(preferred)
{
    const QFont font = Twips::font(Fonts::pGothic, 9.75);
    auto *label1 = new QLabel(QStringLiteral("クラス(&K)"), this);
    label1->setFont(font);
    place(label1, 120, 180, 960, 330);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(font);
    label1->setBuddy(Combo1);
    place(Combo1, 1080, 120, 2760, 420);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(font);
    place(Label2, 4080, 180, 11400, 330);
    Label3 = new QLabel(QStringLiteral("ドリルのらん：最後の点／最高点　今週の回数　最後に練習した日　"
                                       "○ 今日練習した　！ 要注意（理由は印にマウスを置くと出ます）"),
                        this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(font);
    place(Label3, 120, 660, 15360, 330);

    Grid1 = new QTableWidget(0, FirstDrillColumn + ClassTable::drillCount, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setAccessibleName(QStringLiteral("クラスの表"));
    Grid1->setFont(Twips::font(Fonts::pGothic, 9));
    QStringList headers{QStringLiteral("番号"), QStringLiteral("名前"), QStringLiteral("今日"), QStringLiteral("注意")};
    headers << ClassTable::drills();
    Grid1->setHorizontalHeaderLabels(headers);
    Grid1->setTabKeyNavigation(false);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setDefaultSectionSize(Twips::toPixels(540));
    Grid1->setWordWrap(true);
    for (const auto &[column, twips] : {std::pair{NumberColumn, 600}, std::pair{NameColumn, 2160},
                                        std::pair{TodayColumn, 540}, std::pair{StuckColumn, 540}})
        Grid1->setColumnWidth(column, Twips::toPixels(twips));
    for (int i = 0; i < ClassTable::drillCount; ++i)
        Grid1->setColumnWidth(FirstDrillColumn + i, Twips::toPixels(1530));
    place(Grid1, 120, 1080, 15360, 6240);
    // A double click, or Enter on a row, opens the pupil's chart.
    connect(Grid1, &QAbstractItemView::activated, this, [this](const QModelIndex &index) { showChart(index.row()); });

    auto *label5 = new QLabel(QStringLiteral("PCごとの最後の送信(&P)"), this);
    label5->setFont(font);
    place(label5, 120, 7440, 4200, 330);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(font);
    Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    place(Label4, 4320, 7440, 11160, 330);
    Grid2 = new QTableWidget(0, 3, this);
    Grid2->setObjectName(QStringLiteral("Grid2"));
    Grid2->setAccessibleName(QStringLiteral("PCの一覧"));
    Grid2->setFont(Twips::font(Fonts::pGothic, 9));
    Grid2->setHorizontalHeaderLabels({QStringLiteral("PC"), QStringLiteral("最後に送った時刻"), QStringLiteral("PCの時計")});
    Grid2->setTabKeyNavigation(false);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->verticalHeader()->hide();
    Grid2->horizontalHeader()->setStretchLastSection(true);
    Grid2->setColumnWidth(0, Twips::toPixels(4200));
    Grid2->setColumnWidth(1, Twips::toPixels(3600));
    label5->setBuddy(Grid2);
    place(Grid2, 120, 7800, 15360, 1500);

    const std::pair<QPushButton **, const char16_t *> buttons[] = {
        {&Command1, u"名簿を読み込む(&I)"}, {&Command2, u"名簿にない児童(&L)"}, {&Command3, u"グラフで見る(&G)"},
        {&Command4, u"表をCSVで保存(&T)"},  {&Command5, u"全記録をCSVで(&A)"},  {&Command6, u"設定(&S)"},
        {&Command7, u"読み直す(&R)"},       {&Command8, u"閉じる(&C)"}};
    double left = 120;
    int number = 1;
    QWidget *previous = Grid2;
    setTabOrder(Combo1, Grid1);
    setTabOrder(Grid1, Grid2);
    for (const auto &[button, caption] : buttons) {
        *button = new QPushButton(QString::fromUtf16(caption), this);
        (*button)->setObjectName(QStringLiteral("Command%1").arg(number++));
        (*button)->setFont(font);
        place(*button, left, 9420, 1830, 480);
        left += 1830 + 45;
        setTabOrder(previous, *button);
        previous = *button;
    }
    connect(Command1, &QPushButton::clicked, this, [this] {
        if (const QString path = askFile(QStringLiteral("名簿のファイル"), QString(), false); !path.isEmpty())
            importRoster(path);
    });
    connect(Command2, &QPushButton::clicked, this, &ClassWindow::offerLinks);
    connect(Command3, &QPushButton::clicked, this, [this] { showChart(Grid1->currentRow()); });
    connect(Command4, &QPushButton::clicked, this, [this] {
        if (const QString path = askFile(QStringLiteral("表をCSVで保存"), QStringLiteral("表"), true); !path.isEmpty())
            exportTable(path);
    });
    connect(Command5, &QPushButton::clicked, this, [this] {
        if (const QString path = askFile(QStringLiteral("全記録をCSVで保存"), QStringLiteral("全記録"), true);
            !path.isEmpty())
            exportRows(path);
    });
    connect(Command6, &QPushButton::clicked, this, &ClassWindow::editSettings);
    connect(Command7, &QPushButton::clicked, this, &ClassWindow::reload);
    connect(Command8, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, &QWidget::close);
    addAction(escape);
    connect(server_.get(), &ClassServer::busyChanged, this, &ClassWindow::setBusy);
}

ClassWindow::~ClassWindow()
{
    chart_.reset();
    chartLog_.reset();
}

int ClassWindow::run()
{
    const SchoolSettings school = SchoolSettings::find();
    if (!school.configured()) {
        Dialogs::current().tell(notConfigured(school));
        return 1;
    }
    ClassServer::Opening opening;
    std::unique_ptr<ClassServer> server = TeacherLogin::ask(school.service(), nullptr, &opening);
    if (!server)
        return 1;
    ClassWindow window(std::move(server), opening.classes, opening.allClasses, school.classId());
    window.showForm();
    return QApplication::exec();
}

void ClassWindow::Form_Load()
{
    const QSignalBlocker quiet(Combo1);
    Combo1->clear();
    for (const ClassServer::ClassName &c : std::as_const(classes_))
        Combo1->addItem(c.name == c.id ? c.id : c.name + QStringLiteral("（") + c.id + QStringLiteral("）"), c.id);
    Combo1->setCurrentIndex(std::max(0, int(Combo1->findData(preferred_))));
    connect(Combo1, &QComboBox::currentIndexChanged, this, &ClassWindow::reload, Qt::UniqueConnection);
    reload();
}

void ClassWindow::Form_Unload()
{
    chart_.reset();
    chartLog_.reset();
    chartFolder_.reset();
}

QString ClassWindow::classId() const
{
    return Combo1->currentData().toString();
}

bool ClassWindow::busy() const
{
    return server_->pending() > 0;
}

void ClassWindow::setBusy(bool busy)
{
    for (QWidget *control : std::initializer_list<QWidget *>{Combo1, Command1, Command2, Command3, Command4, Command5,
                                                             Command6, Command7})
        control->setEnabled(!busy);
    if (busy)
        setCaption(Label2, QStringLiteral("学校のサーバーから読んでいます…"));
}

void ClassWindow::failed(const QString &what, const QString &words)
{
    lost_ = true;
    setCaption(Label2, what + QStringLiteral("（") + words + QStringLiteral("）"));
    Dialogs::current().tell(what + QStringLiteral("\n") + words
                            + QStringLiteral("\n\n「読み直す」で、もう一度ログインしてから読みます"));
}

void ClassWindow::reload()
{
    if (lost_) {
        // The connection may be gone, and no password is kept: the teacher
        // logs in again.
        ClassServer::Opening opening;
        std::unique_ptr<ClassServer> server = TeacherLogin::ask(server_->login().service, this, &opening);
        if (!server)
            return;
        // The old one may be the one whose reply is running.
        server_.release()->deleteLater();
        server_ = std::move(server);
        connect(server_.get(), &ClassServer::busyChanged, this, &ClassWindow::setBusy);
        lost_ = false;
    }
    const QString cls = classId();
    const QDate today = SystemClock::now().date();
    server_->run([this, cls, today](QSqlDatabase &db) -> ClassServer::Reply {
        ClassRecords::Snapshot read = ClassRecords::read(db, cls, today);
        return [this, read = std::move(read), cls] {
            if (!isLoaded() || cls != classId())
                return;
            if (!read.failure.isEmpty()) {
                failed(QStringLiteral("クラスを読めませんでした"), read.failure);
                return;
            }
            snapshot_ = read;
            fill();
            if (std::exchange(offerLinks_, false))
                QMetaObject::invokeMethod(this, &ClassWindow::offerLinksAfterImport, Qt::QueuedConnection);
        };
    });
}

void ClassWindow::fill()
{
    lines_ = snapshot_.lines();
    Grid1->setRowCount(int(lines_.size()));
    for (int row = 0; row < int(lines_.size()); ++row) {
        const ClassTable::Line &line = lines_[row];
        const ClassTable::Progress &p = line.progress;
        const ClassRecords::Pupil *pupil = snapshot_.pupil(line.pupil.id);
        QString name = line.pupil.kana;
        QStringList about;
        if (pupil && !pupil->kanji.isEmpty())
            about << pupil->kanji;
        if (line.pupil.left)
            name += QStringLiteral("（転出）");
        else if (line.pupil.number == 0)
            name += QStringLiteral("（名簿にない）");
        if (const auto own = snapshot_.pupilSettings.constFind(line.pupil.id); own != snapshot_.pupilSettings.cend()) {
            name += QStringLiteral(" ＊");
            about << QStringLiteral("この児童の設定：") + settingsText(*own);
        }
        QList<QTableWidgetItem *> cells{
            item(line.pupil.number > 0 ? QString::number(line.pupil.number) : QStringLiteral("－")),
            item(name, about.join(QLatin1Char('\n'))),
            item(p.practisedToday ? QStringLiteral("○") : QString(),
                 p.practisedToday ? QStringLiteral("今日練習しました") : QString()),
            item(line.stuck() ? QStringLiteral("！") : QString(), line.stuck() ? p.stuckReason() : QString())};
        for (int i = 0; i < ClassTable::drillCount; ++i) {
            const ClassTable::Drill &d = p.drills[i];
            QTableWidgetItem *cell = d.last ? item(QStringLiteral("%1／%2\n%3回 %4")
                                                       .arg(*d.last)
                                                       .arg(*d.best)
                                                       .arg(d.thisWeek)
                                                       .arg(shortDay(d.lastDay)),
                                                   QStringLiteral("%1：最後の点 %2、最高点 %3、今週 %4回、最後に練習した日 %5%6")
                                                       .arg(ClassTable::drills()[i])
                                                       .arg(*d.last)
                                                       .arg(*d.best)
                                                       .arg(d.thisWeek)
                                                       .arg(longDay(d.lastDay),
                                                            d.falling ? QStringLiteral("\n点が3回続けて下がっています")
                                                                      : QString()))
                                             : item(QString());
            if (d.falling)
                cell->setBackground(stuckColour);
            cells << cell;
        }
        cells[TodayColumn]->setTextAlignment(Qt::AlignCenter);
        cells[StuckColumn]->setTextAlignment(Qt::AlignCenter);
        cells[NumberColumn]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (p.practisedToday)
            cells[NameColumn]->setBackground(todayColour);
        if (line.stuck()) {
            cells[StuckColumn]->setForeground(Qt::red);
            cells[StuckColumn]->setBackground(stuckColour);
        }
        for (int column = 0; column < cells.size(); ++column) {
            if (line.pupil.left)
                cells[column]->setForeground(leftColour);
            Grid1->setItem(row, column, cells[column]);
        }
    }
    Grid2->setRowCount(int(snapshot_.pcs.size()));
    for (int row = 0; row < int(snapshot_.pcs.size()); ++row) {
        const ClassRecords::Pc &pc = snapshot_.pcs[row];
        Grid2->setItem(row, 0, item(pc.name, pc.id));
        Grid2->setItem(row, 1, item(QLocale::c().toString(pc.lastSent.toLocalTime(), QStringLiteral("yyyy/MM/dd H:mm"))));
        Grid2->setItem(row, 2, item(clockText(pc.clockErrorS)));
    }
    setCaption(Label4, QStringLiteral("クラスの設定：") + settingsText(snapshot_.classSettings));
    setCaption(Label2, QStringLiteral("%1人　%2 に読みました")
                           .arg(lines_.size())
                           .arg(QLocale::c().toString(SystemClock::now(), QStringLiteral("yyyy/MM/dd H:mm"))));
}

QString ClassWindow::askFile(const QString &caption, const QString &name, bool save)
{
    const QString className = Combo1->currentText().section(QStringLiteral("（"), 0, 0);
    const QString suggested = QDir::home().filePath(
        className + QLatin1Char('_') + name + QLatin1Char('_')
        + QLocale::c().toString(SystemClock::now().date(), QStringLiteral("yyyyMMdd")) + QStringLiteral(".csv"));
    const QString filter = QStringLiteral("CSV (*.csv);;すべてのファイル (*)");
    return save ? QFileDialog::getSaveFileName(this, caption, suggested, filter)
                : QFileDialog::getOpenFileName(this, caption, QDir::homePath(), filter);
}

bool ClassWindow::saveFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    Dialogs::current().tell(QStringLiteral("%1 に保存できませんでした（%2）").arg(path, file.errorString()));
    return false;
}

bool ClassWindow::exportTable(const QString &path)
{
    return saveFile(path, ClassTable::excelCsv(lines_));
}

void ClassWindow::exportRows(const QString &path)
{
    const QString cls = classId();
    server_->run([this, cls, path](QSqlDatabase &db) -> ClassServer::Reply {
        ClassRecords::Rows read = ClassRecords::rows(db, cls);
        return [this, read = std::move(read), path] {
            if (!isLoaded())
                return;
            if (!read.failure.isEmpty())
                failed(QStringLiteral("記録を読めませんでした"), read.failure);
            else
                saveFile(path, ClassRecords::rowsCsv(lines_, snapshot_, read.rows));
        };
    });
}

void ClassWindow::showChart(int row)
{
    if (row < 0 || row >= int(lines_.size())) {
        Dialogs::current().tell(QStringLiteral("表から児童を選んでください"));
        return;
    }
    const ClassTable::Pupil pupil = lines_[row].pupil;
    const QString cls = classId();
    server_->run([this, cls, pupil](QSqlDatabase &db) -> ClassServer::Reply {
        ClassRecords::Rows read = ClassRecords::rows(db, cls, pupil.id);
        return [this, read = std::move(read), pupil] {
            if (!isLoaded())
                return;
            if (!read.failure.isEmpty()) {
                failed(QStringLiteral("グラフの記録を読めませんでした"), read.failure);
                return;
            }
            // The pupil's rows in a results file of the chart's own, kept
            // while the view is open.
            chart_.reset();
            chartLog_.reset();
            if (!chartFolder_)
                chartFolder_ = std::make_unique<QTemporaryDir>();
            for (const QString &old : QDir(chartFolder_->path()).entryList(QDir::Files | QDir::Hidden))
                QFile::remove(chartFolder_->filePath(old));
            chartLog_ = std::make_unique<ResultsLog>(chartFolder_->filePath(QStringLiteral("ADO_ZEM-%1.MDB").arg(++charts_)));
            const StoreOutcome made = chartFolder_->isValid()
                                          ? chartLog_->create(QString::number(Retention::longestPeriodDays),
                                                              ClassRecords::resultRows(read.rows))
                                          : StoreOutcome::failed(chartFolder_->errorString());
            if (!made) {
                Dialogs::current().tell(QStringLiteral("グラフのための一時ファイルを作れませんでした（%1）").arg(made.reason));
                return;
            }
            chart_ = std::make_unique<ScoreChartWindow>(*chartLog_);
            chart_->setChild(pupil.kana);
            const qsizetype last = read.rows.empty() ? 0 : ClassTable::drills().indexOf(read.rows.back().drill);
            chart_->showDrill(int(std::max<qsizetype>(last, 0)));
        };
    });
}

void ClassWindow::importRoster(const QString &path)
{
    // Only a file is read: a named pipe or a device would never end.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        Dialogs::current().tell(QStringLiteral("名簿のファイル %1 を開けません%2")
                                    .arg(path, QFileInfo(path).isFile() ? QStringLiteral("（") + file.errorString()
                                                                              + QStringLiteral("）")
                                                                        : QStringLiteral("（ふつうのファイルではありません）")));
        return;
    }
    const RosterCsv::Result read = RosterCsv::read(file.read(RosterCsv::maxBytes + 1));
    if (!read.problems.empty()) {
        QStringList said;
        for (const RosterCsv::Problem &problem : read.problems)
            said << RosterCsv::message(problem);
        Dialogs::current().tell(QStringLiteral("名簿 %1 は読み込めませんでした（何も変えていません）。\n")
                                    .arg(QFileInfo(path).fileName())
                                + said.join(QLatin1Char('\n')));
        return;
    }
    QList<ClassServer::ClassName> others;
    for (const ClassServer::ClassName &c : std::as_const(allClasses_)) {
        if (c.id != classId())
            others << c;
    }
    RosterImportWindow confirm(RosterImport(classId(), read.rows), QFileInfo(path).fileName(), others, *server_, this);
    if (confirm.exec() == QDialog::Accepted) {
        offerLinks_ = true;
        reload();
    }
}

void ClassWindow::offerLinksAfterImport()
{
    const int offers = PupilLinkWindow(snapshot_, *server_, this).offers();
    if (offers > 0 && Dialogs::current().ask(QStringLiteral("PCで作られた、名簿にない児童が%1人います。"
                                                             "名簿の児童とつなぎますか？").arg(offers)))
        offerLinks();
}

void ClassWindow::offerLinks()
{
    PupilLinkWindow links(snapshot_, *server_, this);
    if (links.offers() == 0) {
        Dialogs::current().tell(QStringLiteral("名簿にない児童はいません"));
        return;
    }
    if (links.exec() == QDialog::Accepted)
        reload();
}

void ClassWindow::editSettings()
{
    const int row = Grid1->currentRow();
    ClassSettingsDialog dialog(snapshot_, lines_, row >= 0 && row < int(lines_.size()) ? lines_[row].pupil.id : QUuid(),
                               this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString cls = classId();
    const QUuid pupil = dialog.pupil();
    const ClassRecords::Settings settings = dialog.settings();
    server_->run([this, cls, pupil, settings](QSqlDatabase &db) -> ClassServer::Reply {
        const QString failure = ClassRecords::saveSettings(db, cls, pupil, settings);
        return [this, failure] {
            if (!isLoaded())
                return;
            if (!failure.isEmpty())
                failed(QStringLiteral("設定を保存できませんでした"), failure);
            else
                reload();
        };
    });
}
