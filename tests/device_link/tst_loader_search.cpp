// The folders of the loader's configuration: include files followed, comments and hwcap lines skipped.
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
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkdir("conf.d"));
        QVERIFY(write(dir.filePath("ld.so.conf"),
                      "# comment\n\n  /opt/first  # trailing\ninclude conf.d/*.conf\n"
                      "hwcap 1 nosegneg\ninclude /no/such/*.conf\n/opt/last\n"));
        QVERIFY(write(dir.filePath("conf.d/a.conf"), "/opt/a\n"));
        QVERIFY(write(dir.filePath("conf.d/b.conf"),
                      "\tinclude " + dir.filePath("loop.conf").toLocal8Bit() + "\n"));
        QVERIFY(write(dir.filePath("conf.d/ignored.txt"), "/opt/ignored\n"));
        QVERIFY(write(dir.filePath("loop.conf"), "/opt/loop\ninclude loop.conf\n")); // includes itself

        std::vector<std::string> folders;
        for (const auto& folder : kivo::loader::configuredFolders(dir.filePath("ld.so.conf").toStdString()))
            folders.push_back(folder.string());
        QCOMPARE(folders.front(), std::string("/opt/first"));
        QCOMPARE(folders.at(1), std::string("/opt/a"));
        QCOMPARE(folders.back(), std::string("/opt/last"));
        // The self-including file is read a bounded number of times, then given up.
        const auto loops = std::count(folders.begin(), folders.end(), std::string("/opt/loop"));
        QVERIFY(loops >= 1 && loops < 20);
        QCOMPARE(folders.size(), size_t(3 + loops));
        QVERIFY(kivo::loader::configuredFolders(dir.filePath("absent.conf").toStdString()).empty());
    }

    void searchFoldersIncludeTheLoadersDefaults() {
        std::vector<std::string> folders;
        for (const auto& folder : kivo::loader::searchFolders())
            folders.push_back(folder.string());
        QVERIFY(std::find(folders.begin(), folders.end(), "/usr/lib") != folders.end());
        QVERIFY(kivo::loader::findOnSearchPath("libc.so.6").filename() == "libc.so.6");
        QVERIFY(kivo::loader::findOnSearchPath("libNoSuchKivoThing.so").empty());
    }
};

QTEST_GUILESS_MAIN(TestLoaderSearch)
#include "tst_loader_search.moc"
