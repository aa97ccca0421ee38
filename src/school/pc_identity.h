#pragma once

#include <QString>

// This PC as the school's server knows it: an id of its own, made at its first
// join and kept in a small file in a folder it is given, and its host name as
// a label only (PCs made from one school image share host names). The file
// also keeps the machine's id (/etc/machine-id) it was made beside: a PC
// cloned from another's disk finds a different machine id and makes an id of
// its own, so that two PCs never send as one.
class PcIdentity
{
public:
    static const QString fileName; // "school-pc-id"

    // The id kept in `folder`, made (and the file written) when there is none,
    // when it is damaged, or when it was made beside another machine id.
    // `machineIdFile` is where the machine's id is read (empty when it cannot
    // be read: then only a missing or damaged id makes a new one).
    static PcIdentity ensure(const QString &folder, const QString &machineIdFile = QStringLiteral("/etc/machine-id"));

    bool valid() const { return !id_.isEmpty(); }
    const QString &id() const { return id_; }          // a UUID, without braces
    const QString &name() const { return name_; }      // the host name
    bool made() const { return made_; }                // made by this call
    const QString &problem() const { return problem_; } // why it could not be kept

private:
    QString id_;
    QString name_;
    bool made_ = false;
    QString problem_;
};
