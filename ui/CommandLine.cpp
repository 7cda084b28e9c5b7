#include "CommandLine.h"

TCommandLine ParseCommandLine(const QList<QByteArray>& Args) {
    TCommandLine Result;
    bool OptionsEnded = false;
    for (qsizetype I = 0; I < Args.size(); ++I) {
        const QByteArray& Arg = Args[I];
        if (OptionsEnded || Arg.size() < 2 || Arg[0] != '-') {
            Result.Paths.append(Arg);
        } else if (Arg == "--") {
            OptionsEnded = true;
        } else if (Arg == "--verify" || Arg.startsWith("--verify=")) {
            Result.VerifyFile = Arg == "--verify" ? Args.value(++I) : Arg.mid(9);
            if (Result.VerifyFile.isEmpty()) {
                Result.Error = QStringLiteral("option '--verify' needs a checksum file");
                return Result;
            }
        } else if (Arg == "-h" || Arg == "--help") {
            Result.Help = true;
        } else if (Arg == "--version") {
            Result.Version = true;
        } else {
            Result.Error = QStringLiteral("unknown option '%1'").arg(QString::fromLocal8Bit(Arg));
            return Result;
        }
    }
    if (!Result.VerifyFile.isEmpty() && !Result.Paths.isEmpty())
        Result.Error = QStringLiteral("option '--verify' takes no other files");
    return Result;
}

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: quernix [FILE|FOLDER]...\n"
        "       quernix --verify SUMFILE\n"
        "Open the Quernix window. Files on the command line are hashed in one batch, as if\n"
        "they had been dropped on the window; folders are searched for files first.\n"
        "\n"
        "      --verify SUMFILE  verify the files listed in a checksum file\n"
        "  -h, --help            show this help and exit\n"
        "      --version         show the version and exit\n");
}

QByteArray AbsolutePath(const QByteArray& Path, const QByteArray& Cwd) {
    const QByteArray Joined = Path.startsWith('/') ? Path : Cwd + '/' + Path;
    QByteArray Result;
    for (const QByteArray& Segment : Joined.split('/')) {
        if (Segment.isEmpty() || Segment == ".") continue;
        Result += '/' + Segment;
    }
    return Result.isEmpty() ? QByteArray("/") : Result;
}
