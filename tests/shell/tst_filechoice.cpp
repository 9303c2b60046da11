#include "common/modalhelper.h"
#include "common/scriptedprompter.h"
#include "shell/filechoice.h"
#include "shell/messageboxprompt.h"

#include <QDir>
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
    void initTestCase();

    void startsInTheUsersFolder_data();
    void startsInTheUsersFolder();
    void remembersTheLastFolderOfEachKind();
    void dialogSpeaksChineseWhereItStarts();

private:
    QTemporaryDir m_home;
};

void tst_FileChoice::initTestCase()
{
    // A fresh account: no Pictures or Documents folder yet.
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toUtf8());
}

void tst_FileChoice::startsInTheUsersFolder_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<QString>("folder");
    QTest::newRow("image") << Kind::Image << QStringLiteral("Pictures");
    QTest::newRow("document") << Kind::Document << QStringLiteral("Documents");
}

void tst_FileChoice::startsInTheUsersFolder()
{
    QFETCH(Kind, kind);
    QFETCH(QString, folder);
    ScriptedPrompter prompts;
    QCOMPARE(
        FileChoice::saveFile(kind, QStringLiteral("保存"), QStringLiteral("a.png"), {}), QString());
    QCOMPARE(prompts.requests.size(), 1);
    const QString suggested = prompts.requests.first().argument.toStringList().value(0);
    QCOMPARE(QFileInfo(suggested).absolutePath(), m_home.filePath(folder));
    // Made on the spot: a dialog aimed at a missing folder would open in
    // the program's own.
    QVERIFY(QFileInfo(m_home.filePath(folder)).isDir());
}

void tst_FileChoice::remembersTheLastFolderOfEachKind()
{
    ScriptedPrompter prompts;
    QTemporaryDir elsewhere;
    const QString chosen = elsewhere.filePath(QStringLiteral("图表.png"));
    prompts.choices << chosen;
    QCOMPARE(FileChoice::saveFile(Kind::Image, QStringLiteral("保存"), QStringLiteral("a.png"), {}),
        chosen);
    QCOMPARE(FileChoice::startFolder(Kind::Image), elsewhere.path());
    QCOMPARE(FileChoice::startFolder(Kind::Document), m_home.filePath(QStringLiteral("Documents")));
    // Cancelled: the folder stays the one last used.
    FileChoice::saveFile(Kind::Image, QStringLiteral("保存"), QStringLiteral("b.png"), {});
    QCOMPARE(FileChoice::startFolder(Kind::Image), elsewhere.path());
    QCOMPARE(QFileInfo(prompts.requests.last().argument.toStringList().value(0)).absolutePath(),
        elsewhere.path());
    // A remembered folder that has gone: the user's own again.
    QVERIFY(elsewhere.remove());
    QCOMPARE(FileChoice::startFolder(Kind::Image), m_home.filePath(QStringLiteral("Pictures")));
}

void tst_FileChoice::dialogSpeaksChineseWhereItStarts()
{
    auto *translator = new QTranslator(this);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QSKIP("Qt's Chinese translations (qt6-translations-l10n) are not installed");
    QCoreApplication::installTranslator(translator);
    const QString pictures = FileChoice::startFolder(Kind::Image);
    QVERIFY(QDir(pictures).mkpath(QStringLiteral("旧图表")));

    MessageBoxPrompt prompts;
    Prompt::setHandler(&prompts);
    QStringList labels;
    QString folder;
    QStringList typeAndDate;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        folder = dialog->directory().absolutePath();
        for (QLabel *label : dialog->findChildren<QLabel *>()) {
            if (label->isVisible() && !label->text().isEmpty())
                labels << label->text();
        }
        auto *view = dialog->findChild<QTreeView *>();
        if (!view) {
            dialog->reject();
            return;
        }
        // The folder is read in the background.
        for (int i = 0; i < 200 && view && view->model()->rowCount(view->rootIndex()) == 0; ++i)
            QTest::qWait(10);
        const QModelIndex row = view->model()->index(0, 0, view->rootIndex());
        typeAndDate << row.siblingAtColumn(2).data().toString()
                    << row.siblingAtColumn(3).data().toString();
        if (!qEnvironmentVariableIsEmpty("PELKOR_SCREENSHOTS"))
            dialog->grab().save(
                qEnvironmentVariable("PELKOR_SCREENSHOTS") + QStringLiteral("/filedialog.png"));
        dialog->reject();
    });
    const QString file = FileChoice::saveFile(
        Kind::Image, QStringLiteral("保存图表"), QStringLiteral("销售图表.png"), {});
    Prompt::setHandler(nullptr);
    QCoreApplication::removeTranslator(translator);

    QCOMPARE(file, QString());
    QCOMPARE(folder, pictures);
    QVERIFY(labels.size() >= 2);
    for (const QString &label : labels)
        QVERIFY2(label.contains(QRegularExpression(QStringLiteral("\\p{Han}"))),
            qPrintable(labels.join(QLatin1Char('|'))));
    QCOMPARE(typeAndDate.value(0), QStringLiteral("文件夹"));
    QVERIFY2(typeAndDate.value(1).contains(
                 QRegularExpression(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}$"))),
        qPrintable(typeAndDate.value(1)));
}

QTEST_MAIN(tst_FileChoice)
#include "tst_filechoice.moc"
