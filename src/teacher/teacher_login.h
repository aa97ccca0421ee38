#pragma once

#include "teacher/class_server.h"

#include <QDialog>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

// 先生のログイン: asks a teacher's login name and password (never shown) and
// tries them on the school's server, on the server's own thread, with a
// notice while it connects. It lets in only a login the server takes that
// teaches a class; anything else is said in words and asked again, the name
// kept and the password field emptied. The password goes to the server and
// nowhere else (see ClassServer).
//
// The check that opens whatever only a teacher may see: ask() hands the
// open connection to the teacher's class view, and a caller that only needs
// the check lets it go.
class TeacherLogin : public QDialog
{
    Q_OBJECT
public:
    TeacherLogin(const QString &service, QWidget *parent = nullptr);
    ~TeacherLogin() override;

    // Asks until the server lets the teacher in (the open connection, and in
    // `opening` the classes) or the teacher gives up (nullptr).
    static std::unique_ptr<ClassServer> ask(const QString &service, QWidget *parent = nullptr,
                                                ClassServer::Opening *opening = nullptr);

    // The connection once the dialog was accepted.
    std::unique_ptr<ClassServer> takeServer() { return std::move(server_); }
    const ClassServer::Opening &opening() const { return opening_; }
    // What a failed login is told, in the teacher's words.
    static QString message(const ClassServer::Opening &opening);

    QLabel *Label1 = nullptr;       // what the dialog is for
    QLineEdit *Text1 = nullptr;     // the login name
    QLineEdit *Text2 = nullptr;     // the password, echo off
    QLabel *Label4 = nullptr;       // connecting, or why not
    QPushButton *Command1 = nullptr; // 入る
    QPushButton *Command2 = nullptr; // キャンセル

    // 入る: tries the login and password typed.
    void tryLogin();

private:
    void opened(const ClassServer::Opening &opening);
    void setWaiting(bool waiting);

    QString service_;
    std::unique_ptr<ClassServer> server_;
    ClassServer::Opening opening_;
};
