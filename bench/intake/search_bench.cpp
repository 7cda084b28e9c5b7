// Times the folder search window's walk over a tree of many files against `find DIR -type f`
// over the same tree (both with the tree in the cache) and prints the ratio. Then times what the
// open-folder command does, the walk and the sort of the list, once on a new list and once on a
// list that an earlier intake has put in sorted mode: a later search must not cost more.
// Usage: quernix_search_bench [work-dir] [file-count]
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "FileList.h"
#include "Searchformutil.h"

namespace {

constexpr int Repeats = 5;

// Folders of 1000 files, ten to a parent folder, under Root/tree; kept between runs.
QByteArray MakeTree(const QByteArray& Root, int FileCount) {
    const QByteArray Tree = Root + "/tree-" + QByteArray::number(FileCount);
    const QByteArray Done = Tree + "/.complete";
    if (QFile::exists(QString::fromUtf8(Done))) return Tree;
    for (int I = 0; I < FileCount; ++I) {
        const int Folder = I / 1000;
        const QByteArray Dir =
            Tree + "/d" + QByteArray::number(Folder / 10) + "/e" + QByteArray::number(Folder % 10);
        if (I % 1000 == 0) QDir().mkpath(QString::fromUtf8(Dir));
        const QByteArray Path = Dir + "/file-" + QByteArray::number(I) + ".dat";
        const int Handle = ::open(Path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (Handle < 0) {
            std::fprintf(stderr, "cannot write %s\n", Path.constData());
            std::exit(1);
        }
        ::close(Handle);
    }
    // The marker is a file of the tree too, which find and the walk both count.
    QFile Marker(QString::fromUtf8(Done));
    if (!Marker.open(QIODevice::WriteOnly)) std::exit(1);
    return Tree;
}

double FindSeconds(const QByteArray& Tree) {
    const QByteArray Command = "find '" + Tree + "' -type f > /dev/null";
    QElapsedTimer Clock;
    Clock.start();
    if (std::system(Command.constData()) != 0) {
        std::fprintf(stderr, "find failed\n");
        std::exit(1);
    }
    return Clock.nsecsElapsed() / 1e9;
}

int FindCount(const QByteArray& Tree) {
    const QByteArray Command = "find '" + Tree + "' -type f | wc -l";
    FILE* Pipe = ::popen(Command.constData(), "r");
    int Count = -1;
    if (!Pipe || std::fscanf(Pipe, "%d", &Count) != 1) Count = -1;
    if (Pipe) ::pclose(Pipe);
    return Count;
}

// One search as the open-folder command runs it: the window shown, the walk started by its
// timer, the window closing itself at the end. Only the walk is timed, and the sort after it
// when Sort is set.
double SearchSeconds(const QByteArray& Tree, TFileList& Files, bool Sort = false) {
    auto* Form = new TSearchform(Files);
    Form->FolderPath = Tree;
    double Seconds = 0;
    // Timer2Timer runs the whole walk inside its tick; the clock is read around it.
    QObject::disconnect(Form->Timer2, &QTimer::timeout, Form, &TSearchform::Timer2Timer);
    QObject::connect(Form->Timer2, &QTimer::timeout, Form, [&] {
        QElapsedTimer Clock;
        Clock.start();
        Form->Timer2Timer();
        if (Sort) Files.Sort();
        Seconds = Clock.nsecsElapsed() / 1e9;
    });
    Form->exec();
    return Seconds;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication Application(argc, argv);
    const QByteArray Root =
        argc > 1 ? QByteArray(argv[1]) : QDir::tempPath().toUtf8() + "/quernix-search-bench";
    const int FileCount = argc > 2 ? std::atoi(argv[2]) : 100000;
    QDir().mkpath(QString::fromUtf8(Root));
    const QByteArray Tree = MakeTree(Root, FileCount);

    TFileList Files;
    FindSeconds(Tree);  // brings the tree into the cache
    double Find = 1e9, Search = 1e9;
    for (int I = 0; I < Repeats; ++I) {
        Find = std::min(Find, FindSeconds(Tree));
        Search = std::min(Search, SearchSeconds(Tree, Files));
    }
    // The open-folder command: the first search of the program's life, and a later one, after
    // an intake has put the list in sorted mode.
    double First = 1e9, Later = 1e9;
    int LaterCount = 0;
    for (int I = 0; I < Repeats; ++I) {
        TFileList New;
        First = std::min(First, SearchSeconds(Tree, New, true));
        TFileList Used;
        Used.Add(Tree + "/earlier.dat");
        Used.Sort();
        Later = std::min(Later, SearchSeconds(Tree, Used, true));
        LaterCount = Used.Count();
    }
    const int Expected = FindCount(Tree);
    std::printf("tree: %s\n", Tree.constData());
    std::printf("files found: search %d, find %d\n", Files.Count(), Expected);
    std::printf("find -type f: %8.3f s (best of %d)\n", Find, Repeats);
    std::printf("folder search: %8.3f s (best of %d)\n", Search, Repeats);
    std::printf("ratio search / find: %.2f\n", Search / Find);
    std::printf("first search and sort: %8.3f s (best of %d)\n", First, Repeats);
    std::printf("later search and sort: %8.3f s (best of %d, list in sorted mode)\n", Later,
                Repeats);
    std::printf("ratio later / first: %.2f\n", Later / First);
    return Files.Count() == Expected && LaterCount == Expected ? 0 : 1;
}
