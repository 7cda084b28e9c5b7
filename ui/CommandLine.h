// The window program's command line: quernix [--verify SUMFILE] [FILE|FOLDER]...
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

struct TCommandLine {
    QList<QByteArray> Paths;  // files and folders for one batch, as the file system's bytes
    QByteArray VerifyFile;    // the checksum file of --verify; empty without it
    bool Help = false;
    bool Version = false;
    QString Error;  // a usage error; the program says it and ends
};

// Args are the arguments after the program name that the toolkit has left. "--" ends the
// options; "-" alone and every argument that does not start with "-" is a path.
TCommandLine ParseCommandLine(const QList<QByteArray>& Args);

// The usage text of --help.
QString CommandLineUsage();

// Path made absolute against the folder Cwd, with "." and empty segments left out; ".." stays,
// as a link in the path may make it mean something else than the folder above.
QByteArray AbsolutePath(const QByteArray& Path, const QByteArray& Cwd);
