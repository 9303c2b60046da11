#include "mainwindow/mgrpapp.h"
#include "shell/focusframestyle.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

bool hasChinese(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF)
            return true;
    }
    return false;
}

// How many pixels of the outermost ring of widget's picture carry colour.
int ringPixels(QWidget *widget, const QColor &colour)
{
    const QImage image = widget->grab().toImage();
    int hits = 0;
    const int w = image.width();
    const int h = image.height();
    for (int x = 0; x < w; ++x) {
        hits += image.pixelColor(x, 0) == colour;
        hits += image.pixelColor(x, h - 1) == colour;
    }
    for (int y = 1; y < h - 1; ++y) {
        hits += image.pixelColor(0, y) == colour;
        hits += image.pixelColor(w - 1, y) == colour;
    }
    return hits;
}

} // namespace

class tst_Appearance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void focusFrameOnButtonsAndDropDowns_data();
    void focusFrameOnButtonsAndDropDowns();
    void disabledButtonHasNoFrame();

    void textFieldMenuSpeaksChinese();
    void printPreviewSpeaksChinese();
    void translatedWindowTitles();

private:
    bool m_translated = false;
};

void tst_Appearance::initTestCase()
{
    mGrpApp::applyFocusFrame();
    QVERIFY(qobject_cast<FocusFrameStyle *>(QApplication::style()));
    m_translated = mGrpApp::installTranslations();
}

void tst_Appearance::focusFrameOnButtonsAndDropDowns_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("push button") << QStringLiteral("button");
    QTest::newRow("drop-down") << QStringLiteral("combo");
    QTest::newRow("editable drop-down") << QStringLiteral("editable");
}

void tst_Appearance::focusFrameOnButtonsAndDropDowns()
{
    QFETCH(QString, kind);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *other = new QLineEdit(&window);
    QWidget *subject = nullptr;
    if (kind == QLatin1String("button")) {
        subject = new QPushButton(QStringLiteral("确定"), &window);
    } else {
        auto *combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("总站"), QStringLiteral("东区")});
        combo->setEditable(kind == QLatin1String("editable"));
        subject = combo;
    }
    layout->addWidget(other);
    layout->addWidget(subject);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    const QColor frame = subject->palette().color(QPalette::Active, QPalette::Highlight);
    other->setFocus();
    QTRY_VERIFY(other->hasFocus());
    const int without = ringPixels(subject, frame);

    // Tab brings the focus to it, as the keyboard does.
    QTest::keyClick(other, Qt::Key_Tab);
    QTRY_VERIFY(subject->hasFocus() || subject->isAncestorOf(QApplication::focusWidget()));
    const int with = ringPixels(subject, frame);
    const int ring = 2 * (subject->width() + subject->height()) - 4;
    // The whole outline is drawn in the frame colour (corners may be cut).
    QVERIFY2(with > ring * 9 / 10, qPrintable(QStringLiteral("%1 of %2").arg(with).arg(ring)));
    QVERIFY2(without < ring / 4, qPrintable(QStringLiteral("%1 of %2").arg(without).arg(ring)));
}

void tst_Appearance::disabledButtonHasNoFrame()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *button = new QPushButton(QStringLiteral("保存"), &window);
    layout->addWidget(button);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    button->setFocus();
    QTRY_VERIFY(button->hasFocus());
    const QColor frame = button->palette().color(QPalette::Active, QPalette::Highlight);
    const int ring = 2 * (button->width() + button->height()) - 4;
    QVERIFY(ringPixels(button, frame) > ring * 9 / 10);
    button->setEnabled(false);
    QVERIFY(ringPixels(button, frame) < ring / 4);
}

void tst_Appearance::textFieldMenuSpeaksChinese()
{
    QVERIFY2(m_translated, "Qt's Chinese translations (qt6-translations-l10n) are not installed");
    QLineEdit edit;
    edit.setText(QStringLiteral("人民路"));
    edit.selectAll();
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    QStringList texts;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            texts << action->text();
    }
    QVERIFY(texts.size() >= 5);
    for (const QString &text : texts)
        QVERIFY2(hasChinese(text), qPrintable(texts.join(QLatin1Char('|'))));
}

void tst_Appearance::printPreviewSpeaksChinese()
{
    QVERIFY2(m_translated, "Qt's Chinese translations (qt6-translations-l10n) are not installed");
    QPrintPreviewDialog preview;
    QVERIFY(hasChinese(preview.windowTitle()));
    const auto bars = preview.findChildren<QToolBar *>();
    QVERIFY(!bars.isEmpty());
    QStringList tips;
    int chinese = 0;
    for (QToolBar *bar : bars) {
        for (QAction *action : bar->actions()) {
            if (action->isSeparator() || action->text().isEmpty())
                continue;
            tips << action->text();
            chinese += hasChinese(action->text());
        }
    }
    QVERIFY(tips.size() >= 8);
    // Every command of the preview's tool bar: pages, zoom, print, page set-up.
    QVERIFY2(chinese == tips.size(), qPrintable(tips.join(QLatin1Char('|'))));
}

void tst_Appearance::translatedWindowTitles()
{
    QVERIFY2(m_translated, "Qt's Chinese translations (qt6-translations-l10n) are not installed");
    // The page set-up and print dialogs take their captions from the same
    // catalogue as the preview.
    const QString pageSetup = QCoreApplication::translate("QPrintPreviewDialog", "Page setup");
    QVERIFY2(hasChinese(pageSetup), qPrintable(pageSetup));
    const QString print = QCoreApplication::translate("QPrintDialog", "Print");
    QVERIFY2(hasChinese(print), qPrintable(print));
}

QTEST_MAIN(tst_Appearance)
#include "tst_appearance.moc"
