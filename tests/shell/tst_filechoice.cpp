#include "common/modalhelper.h"
#include "common/scriptedprompter.h"
#include "shell/filechoice.h"
#include "shell/messageboxprompt.h"

#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QTreeView>

using FileChoice::Kind;

class tst_FileChoice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A fresh account: no Pictures or Documents folder yet.
        qputenv("HOME", m_home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toUtf8());
    }

    void startsInTheUsersFolderThenTheLastOne_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<Kind>("other");
        QTest::addColumn<QString>("folder");
        QTest::newRow("image") << Kind::Image << Kind::Document << QStringLiteral("Pictures");
        QTest::newRow("document") << Kind::Document << Kind::Image << QStringLiteral("Documents");
    }
    void startsInTheUsersFolderThenTheLastOne()
    {
        QFETCH(Kind, kind);
        QFETCH(Kind, other);
        QFETCH(QString, folder);
        ScriptedPrompter prompts;
        const auto offered = [&] {
            FileChoice::saveFile(kind, QStringLiteral("保存"), QStringLiteral("a.png"), {});
            return QFileInfo(prompts.requests.last().argument.toStringList().value(0))
                .absolutePath();
        };
        // Made on the spot: a dialog aimed at a missing folder opens in the
        // program's own.
        QCOMPARE(offered(), m_home.filePath(folder));
        QVERIFY(QFileInfo(m_home.filePath(folder)).isDir());
        QTemporaryDir elsewhere;
        prompts.choices << elsewhere.filePath(QStringLiteral("图表.png"));
        offered();
        // The next dialog of the kind starts there, also after a cancel;
        // the other kind keeps its own.
        QCOMPARE(offered(), elsewhere.path());
        QCOMPARE(offered(), elsewhere.path());
        QVERIFY(FileChoice::startFolder(other) != elsewhere.path());
        QVERIFY(elsewhere.remove());
        QCOMPARE(offered(), m_home.filePath(folder));
    }

    void dialogSpeaksChinese()
    {
        QTranslator translator;
        if (!translator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QSKIP("Qt's Chinese translations (qt6-translations-l10n) are not installed");
        QCoreApplication::installTranslator(&translator);
        QVERIFY(QDir(FileChoice::startFolder(Kind::Image)).mkpath(QStringLiteral("旧图表")));
        MessageBoxPrompt prompts;
        Prompt::setHandler(&prompts);
        QStringList shown;
        whenModal([&](QWidget *modal) {
            for (QLabel *label : modal->findChildren<QLabel *>())
                shown << label->text();
            if (auto *view = modal->findChild<QTreeView *>()) {
                // The folder is read in the background.
                for (int i = 0; i < 200 && view->model()->rowCount(view->rootIndex()) == 0; ++i)
                    QTest::qWait(10);
                const QModelIndex row = view->model()->index(0, 0, view->rootIndex());
                shown << row.siblingAtColumn(2).data().toString()
                      << row.siblingAtColumn(3).data().toString();
            }
            modal->close();
        });
        FileChoice::saveFile(Kind::Image, QStringLiteral("保存图表"), QStringLiteral("a.png"), {});
        Prompt::setHandler(nullptr);
        QCoreApplication::removeTranslator(&translator);
        // Labels, the folder's type and its date: Chinese, not the desktop's English.
        QVERIFY(shown.size() >= 4);
        for (const QString &text : shown)
            QVERIFY2(text.isEmpty()
                    || text.contains(QRegularExpression(QStringLiteral("\\p{Han}|^[-\\d :]+$"))),
                qPrintable(shown.join(QLatin1Char('|'))));
        QVERIFY(shown.contains(QStringLiteral("文件夹")));
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(tst_FileChoice)
#include "tst_filechoice.moc"
