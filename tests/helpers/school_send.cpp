// school_send SERVICE RESULTS_FILE PC_FOLDER [BATCH_ROWS]: sends the queue of
// RESULTS_FILE to the school's server named by the libpq service SERVICE, as
// a PC whose id is kept in PC_FOLDER, through the program's own sender. Prints
// each state the sender reaches, one a line, and ends with status 0 once
// every row is sent or set apart, with 1 when sending stops for good. With
// SANSU_STOP_AFTER_MS set, it stops the sender after that long instead, says
// whether the sender's thread ended ("stopped: ended") or was left behind
// ("stopped: left behind") and ends with status 0. SANSU_CONNECT_TIMEOUT_S
// sets the connect timeout (2 s unless set).
#include "school/pc_identity.h"
#include "school/school_sender.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const PcIdentity pc = PcIdentity::ensure(args.value(3), QString());
    SchoolSender::Options options;
    options.service = args.value(1);
    options.pcId = pc.id();
    options.pcName = pc.name();
    options.files = [file = args.value(2)] { return QStringList{file}; };
    options.batchRows = args.value(4, QStringLiteral("500")).toInt();
    options.connectTimeoutS = qEnvironmentVariableIntValue("SANSU_CONNECT_TIMEOUT_S");
    if (options.connectTimeoutS == 0)
        options.connectTimeoutS = 2;
    options.firstRetryMs = 200;
    options.maxRetryMs = 1000;
    SchoolSender sender(options);
    QObject::connect(&sender, &SchoolSender::statusChanged, &app, [&app](const SenderStatus &status) {
        QTextStream(stdout) << int(status.state) << ' ' << status.sent << ' ' << status.detail << Qt::endl;
        if (status.state == SenderStatus::State::AllSent)
            app.exit(0);
        else if (status.state == SenderStatus::State::SchemaNewer || status.state == SenderStatus::State::NoDriver)
            app.exit(1);
    });
    sender.start();
    if (qEnvironmentVariableIsSet("SANSU_STOP_AFTER_MS")) {
        QTimer::singleShot(qEnvironmentVariableIntValue("SANSU_STOP_AFTER_MS"), &app, [&app, &sender] {
            QTextStream(stdout) << (sender.stop() ? "stopped: ended" : "stopped: left behind") << Qt::endl;
            app.exit(0);
        });
    }
    return app.exec();
}
