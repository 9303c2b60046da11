#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

class QAction;
class QLabel;
enum class ToolId;

// The named commands of the main window and the bands that show them, as
// the rights logic and the list windows see them. The main window fills it;
// everything below the main window acts on commands through it by name.
//
// One QAction serves every band that shows a tool, so a tool disabled or
// hidden in one band is so everywhere. A band may still give a tool its own
// caption: menus show the action's text, tool bands its icon text.
class CommandBars : public QObject {
    Q_OBJECT

public:
    enum class BandKind { Menu, ToolBar };

    explicit CommandBars(QObject *parent = nullptr);
    ~CommandBars() override;

    // The commands of the running main window; nullptr before it exists.
    static CommandBars *current();

    void addTool(const QString &name, QAction *action);
    void addBand(const QString &band, BandKind kind, const QStringList &tools);
    void addPane(const QString &name, QLabel *pane);

    QAction *tool(const QString &name) const;
    QAction *tool(ToolId id) const;
    QStringList bandTools(const QString &band) const;
    bool bandHasTool(const QString &band, const QString &tool) const;

    // Each acts only when the band shows the tool.
    void setToolEnabled(const QString &band, const QString &tool, bool enabled);
    void hideTool(const QString &band, const QString &tool);
    void setToolCaption(const QString &band, const QString &tool, const QString &caption);
    QString toolCaption(const QString &band, const QString &tool) const;

    void setPaneText(const QString &pane, const QString &text);
    QString paneText(const QString &pane) const;

    // Closes the child window of that name; set by the main window.
    std::function<void(const QString &)> closeWindow;
    // True while the main window itself is closing: child windows that
    // otherwise refuse to close must let go then.
    bool mainWindowClosing = false;

private:
    QHash<QString, QAction *> m_tools;
    QHash<QString, QStringList> m_bands;
    QHash<QString, BandKind> m_bandKinds;
    QHash<QString, QLabel *> m_panes;
};
