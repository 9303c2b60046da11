#include "shell/commandbars.h"

#include "shell/tools.h"

#include <QAction>
#include <QLabel>

namespace {
CommandBars *s_current = nullptr;
}

CommandBars::CommandBars(QObject *parent) : QObject(parent)
{
    s_current = this;
}

CommandBars::~CommandBars()
{
    if (s_current == this)
        s_current = nullptr;
}

CommandBars *CommandBars::current()
{
    return s_current;
}

void CommandBars::addTool(const QString &name, QAction *action)
{
    m_tools.insert(name, action);
}

void CommandBars::addBand(const QString &band, BandKind kind, const QStringList &tools)
{
    m_bands.insert(band, tools);
    m_bandKinds.insert(band, kind);
}

void CommandBars::addPane(const QString &name, QLabel *pane)
{
    m_panes.insert(name, pane);
}

QAction *CommandBars::tool(const QString &name) const
{
    return m_tools.value(name);
}

QAction *CommandBars::tool(ToolId id) const
{
    return m_tools.value(Tools::name(id));
}

QStringList CommandBars::bandTools(const QString &band) const
{
    return m_bands.value(band);
}

bool CommandBars::bandHasTool(const QString &band, const QString &tool) const
{
    return m_bands.value(band).contains(tool) && m_tools.contains(tool);
}

void CommandBars::setToolEnabled(const QString &band, const QString &tool, bool enabled)
{
    if (bandHasTool(band, tool))
        m_tools.value(tool)->setEnabled(enabled);
}

void CommandBars::hideTool(const QString &band, const QString &tool)
{
    if (bandHasTool(band, tool))
        m_tools.value(tool)->setVisible(false);
}

void CommandBars::setToolCaption(const QString &band, const QString &tool, const QString &caption)
{
    if (!bandHasTool(band, tool))
        return;
    QAction *action = m_tools.value(tool);
    if (m_bandKinds.value(band) == BandKind::ToolBar) {
        action->setIconText(caption);
        action->setToolTip(caption);
    } else {
        action->setText(caption);
    }
}

QString CommandBars::toolCaption(const QString &band, const QString &tool) const
{
    if (!bandHasTool(band, tool))
        return {};
    const QAction *action = m_tools.value(tool);
    return m_bandKinds.value(band) == BandKind::ToolBar ? action->iconText() : action->text();
}

void CommandBars::setPaneText(const QString &pane, const QString &text)
{
    if (QLabel *label = m_panes.value(pane))
        label->setText(text);
}

QString CommandBars::paneText(const QString &pane) const
{
    const QLabel *label = m_panes.value(pane);
    return label ? label->text() : QString();
}
