#pragma once
// The scratch folder of the window tests: a TempDir that takes and gives bytes as Qt does.

#include "TempDir.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

class ScratchFolder {
public:
    std::string path(const char *name) const { return folder_.file(name); }

    std::string write(const char *name, const QByteArray &bytes) const
    {
        return folder_.write(name, bytes.toStdString());
    }

    static QByteArray read(const std::string &path) { return QByteArray::fromStdString(TempDir::read(path)); }

    static bool exists(const std::string &path) { return QFile::exists(QString::fromStdString(path)); }

private:
    TempDir folder_;
};
