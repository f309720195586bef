// Where the loader looks: the folders of an ld.so.conf with its includes, and the program's own list.
#include "LoaderSearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLoaderSearch : public QObject {
    Q_OBJECT

    static bool write(const QString& path, const QByteArray& content) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    }

private slots:
    void configuredFoldersFollowIncludes() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid() && QDir(dir.path()).mkdir("conf.d"));
        QVERIFY(write(dir.filePath("ld.so.conf"), "# comment\n\n  /opt/first  # why\ninclude conf.d/*.conf\n"
                                                  "hwcap 1 nosegneg\ninclude /no/such/*.conf\n/opt/last\n"));
        QVERIFY(write(dir.filePath("conf.d/a.conf"), "/opt/a\n"));
        QVERIFY(write(dir.filePath("conf.d/b.conf"), "\tinclude ../loop.conf\n"));
        QVERIFY(write(dir.filePath("loop.conf"), "/opt/loop\ninclude loop.conf\n")); // includes itself

        std::vector<std::string> folders;
        for (const auto& folder : kivo::loader::configuredFolders(dir.filePath("ld.so.conf").toStdString()))
            folders.push_back(folder.lexically_normal().string());
        const auto loops = std::count(folders.begin(), folders.end(), "/opt/loop");
        QVERIFY(loops >= 1 && loops < 20); // read a bounded number of times, then given up
        QCOMPARE(folders.size(), size_t(3 + loops));
        QCOMPARE(folders.front(), "/opt/first");
        QCOMPARE(folders.at(1), "/opt/a");
        QCOMPARE(folders.back(), "/opt/last");
    }

    void theLoadersOwnAndConfiguredFoldersAreSearched() {
        const auto searched = kivo::loader::searchFolders();
        for (const auto& folder : kivo::loader::configuredFolders("/etc/ld.so.conf"))
            QVERIFY(std::find(searched.begin(), searched.end(), folder) != searched.end());
        QVERIFY(kivo::loader::findOnSearchPath("libc.so.6").filename() == "libc.so.6");
        QVERIFY(kivo::loader::findOnSearchPath("libNoSuchKivoThing.so").empty());
    }
};

QTEST_GUILESS_MAIN(TestLoaderSearch)
#include "tst_loader_search.moc"
