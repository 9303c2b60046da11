#pragma once

#include "sales/sliplayout.h"

#include <QDialog>

class QAction;
class QMenu;
class QToolBar;
class SlipCanvas;

// The slip's layout designer: the slip at true scale, whose data fields are
// dragged (or nudged with the arrow keys) into place, switched off and on
// and given their font; saved to "sale.rpx" for every later slip.
class frmSalePrintSetup : public QDialog {
    Q_OBJECT

public:
    explicit frmSalePrintSetup(QWidget *parent = nullptr);

    const SlipLayout &layout() const;
    bool isModified() const { return m_modified; }
    SlipCanvas *canvas() const { return m_canvas; }

    // The right-click menu of a field, kept for tests and the keyboard.
    QMenu *mnuDo = nullptr;
    QAction *popIfPrint = nullptr;
    QAction *popFont = nullptr;

public slots:
    bool Save();
    void PageSetup();
    // Right-click menu actions on the selected field.
    void ToggleIfPrint();
    void ChooseFont();

    // Closing (exit tool, window button, Escape) with unsaved changes asks
    // whether to keep them.
    void reject() override;

private:
    void changed();

    QToolBar *acbMain;
    SlipCanvas *m_canvas;
    bool m_modified = false;
};

// The slip drawn at its real size, with the selected field outlined.
class SlipCanvas : public QWidget {
    Q_OBJECT

public:
    explicit SlipCanvas(QWidget *parent = nullptr);

    void setLayout(const SlipLayout &layout);
    const SlipLayout &slipLayout() const { return m_layout; }
    SlipLayout &slipLayout() { return m_layout; }
    QString selectedField() const { return m_selected; }
    void selectField(const QString &name);
    double dotsPerMm() const;
    QSize sizeHint() const override;
    // Moves the selected field by (dx, dy) millimetres, inside the paper.
    void moveSelected(double dxMm, double dyMm);

signals:
    void layoutChanged();
    void contextMenuForField(const QString &name, const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString fieldAt(const QPointF &pos) const;

    SlipLayout m_layout;
    QString m_selected;
    QPointF m_dragStart;
    QRectF m_dragOrigin;
    bool m_dragging = false;
};
