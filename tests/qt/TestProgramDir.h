#pragma once
// A temporary program folder holding a copy of the built default
// configuration (and, when asked, of the executable and the language files).
// Every model that the edited configuration leaves without a monitor ROM gets
// idle.rom, 4 KB of FFh (RST 7): the content the builder gives a ROM it has
// no file for, so that the window tests run a machine as before; a machine
// without any ROM is held paused behind the first-start panel.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <functional>

struct TestProgramDir {
    QTemporaryDir dir;

    // Copies Orvik.xml, then lets edit change its text; withoutRom leaves the
    // models that edit gave no monitor ROM without one.
    bool Make(const std::function<void(QString&)>& edit = {}, bool withExecutable = false, bool withoutRom = false) {
        if (!dir.isValid()) return false;
        QFile in(QStringLiteral(ORVIK_PROGRAM_DIR "/Orvik.xml"));
        if (!in.open(QIODevice::ReadOnly)) return false;
        QString text = QString::fromUtf8(in.readAll());
        if (edit) edit(text);
        if (!withoutRom) {
            if (!Write("idle.rom", QByteArray(4096, '\xFF'))) return false;
            text.replace("<RomFile/>", "<RomFile>idle.rom</RomFile>");
        }
        if (!Write("Orvik.xml", text.toUtf8())) return false;
        QDir().mkpath(Path("Lang"));
        QFile::copy(QStringLiteral(ORVIK_PROGRAM_DIR "/Lang/English.ini"), Path("Lang/English.ini"));
        if (withExecutable) {
            if (!QFile::copy(QStringLiteral(ORVIK_EXECUTABLE), Path("orvik"))) return false;
            QFile::setPermissions(Path("orvik"), QFile::permissions(Path("orvik")) | QFileDevice::ExeUser);
        }
        return true;
    }
    bool Write(const QString& name, const QByteArray& bytes) {
        QFile out(Path(name));
        return out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size();
    }
    QByteArray Read(const QString& name) {
        QFile in(Path(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }
    QString Path(const QString& name = QString()) const { return dir.path() + "/" + name; }
};
