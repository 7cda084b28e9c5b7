// The file list: its sorted mode and which additions it keeps.
#include <QRandomGenerator>
#include <QTest>
#include <algorithm>

#include "FileList.h"
#include "ui_test_main.h"

using TPaths = QList<QByteArray>;

class TFileListTest : public QObject {
    Q_OBJECT

private slots:
    void sortIgnoresCaseAndFollowsTheLocale_data() {
        QTest::addColumn<TPaths>("Input");
        QTest::addColumn<TPaths>("Sorted");
        QTest::newRow("case") << TPaths{"/d/b", "/d/C", "/d/a"} << TPaths{"/d/a", "/d/b", "/d/C"};
        QTest::newRow("same but for case, both kept") << TPaths{"/d/a.txt", "/d/B.txt", "/d/A.txt"}
                                                      << TPaths{"/d/A.txt", "/d/a.txt", "/d/B.txt"};
        QTest::newRow("accents beside their letter")
            << TPaths{"/d/f", "/d/\xc3\xa9t\xc3\xa9", "/d/ete", "/d/z"}
            << TPaths{"/d/ete", "/d/\xc3\xa9t\xc3\xa9", "/d/f", "/d/z"};
        QTest::newRow("folders") << TPaths{"/z/a", "/a/z", "/A/y"}
                                 << TPaths{"/A/y", "/a/z", "/z/a"};
        QTest::newRow("duplicates stay") << TPaths{"/x", "/x"} << TPaths{"/x", "/x"};
    }
    void sortIgnoresCaseAndFollowsTheLocale() {
        QFETCH(TPaths, Input);
        QFETCH(TPaths, Sorted);
        TFileList List;
        for (const QByteArray& Path : Input)
            List.Add(Path);
        QCOMPARE(List.Snapshot(), Input);  // unsorted mode keeps the order of addition
        List.Sort();
        QCOMPARE(List.Snapshot(), Sorted);
    }

    void sortedModeInsertsAndDropsOnlyIdenticalPaths() {
        TFileList List;
        List.Add("/d/m");
        List.Sort();
        QVERIFY(List.Sorted());
        List.Clear();
        QVERIFY(List.Sorted());  // the mode outlives clearing
        for (const QByteArray& Path : TPaths{"/d/m", "/d/B", "/d/m", "/d/b", "/d/a", "/d/M"})
            List.Add(Path);
        QCOMPARE(List.Snapshot(), (TPaths{"/d/a", "/d/B", "/d/b", "/d/M", "/d/m"}));
        QCOMPARE(List.Count(), 5);
        QCOMPARE(List[1], QByteArray("/d/B"));
    }

    // Paths added in sorted mode end up where inserting them one by one at their sorted place
    // would put them, identical ones dropped, however additions and reads interleave.
    void sortedModeMatchesInsertionOneByOne() {
        const TPaths Names = {"/d/a", "/d/A", "/d/b", "/d/\xc3\xa9", "/d/e", "/d/caf\xe9", "/x/a"};
        QRandomGenerator Random(9);
        TFileList List;
        TPaths Expected;
        for (int I = 0; I < 5; ++I) {
            const QByteArray Path = Names[Random.bounded(int(Names.size()))];
            List.Add(Path);
            Expected.append(Path);  // unsorted mode keeps duplicates, and so does sorting
        }
        List.Sort();
        std::stable_sort(Expected.begin(), Expected.end(),
                         [](const auto& A, const auto& B) { return ComparePaths(A, B) < 0; });
        QCOMPARE(List.Snapshot(), Expected);
        for (int Round = 0; Round < 40; ++Round) {
            const int Adds = Random.bounded(6);
            for (int I = 0; I < Adds; ++I) {
                const QByteArray Path = Names[Random.bounded(int(Names.size()))] +
                                        QByteArray::number(Random.bounded(4));
                List.Add(Path);
                const auto Place = std::lower_bound(Expected.begin(), Expected.end(), Path,
                                                    [](const auto& Item, const auto& Value) {
                                                        return ComparePaths(Item, Value) < 0;
                                                    });
                if (Place == Expected.end() || *Place != Path) Expected.insert(Place, Path);
            }
            if (Round % 3 == 0) List.Sort();
            QCOMPARE(List.Snapshot(), Expected);
        }
    }

    void pathsAreBytes() {
        const QByteArray Latin1Name("/d/caf\xe9.txt");  // not valid UTF-8
        TFileList List;
        List.Add(Latin1Name);
        List.Add("/d/cafe.txt");
        List.Sort();
        QVERIFY(List.Snapshot().contains(Latin1Name));
        QCOMPARE(List.Count(), 2);
        QCOMPARE(DisplayPath(Latin1Name), QStringLiteral("/d/caf\\xE9.txt"));
        QCOMPARE(DisplayPath("/d/\xe5\xae\x8b\xe4\xbd\x93"), QStringLiteral("/d/宋体"));
        QCOMPARE(DisplayPath("/d/two  spaces\nand a newline"),
                 QStringLiteral("/d/two  spaces\\nand a newline"));
    }

    void snapshotIsUnaffectedByLaterChanges() {
        TFileList List;
        List.Add("/one");
        List.Add("/two");
        const TPaths Before = List.Snapshot();
        List.Clear();
        List.Add("/three");
        QCOMPARE(Before, (TPaths{"/one", "/two"}));
    }
};

QUERNIX_UI_TEST_MAIN(TFileListTest)
#include "filelist_test.moc"
