#pragma once

#include "reports/chartdata.h"

#include <QDialog>
#include <QPoint>

class QAction;
class QToolBar;

class QChart;
class QChartView;

// The sales chart of the period report in front: sales money and amount per
// row as curves or blocks, with a slight three-dimensional tilt that the
// mouse can turn, move and zoom; printed, copied or saved as a picture.
class frmChart : public QDialog {
    Q_OBJECT

public:
    enum Action { NoAction = 0, Rotate = 3, Scale = 4, Drag = 5 };
    enum ChartType { Plot, Area };

    frmChart(const QString &caption, const ChartData &data, QWidget *parent = nullptr);

    QString curChartCaption;
    int curAction = NoAction;

    QChart *chart() const;
    ChartType chartType() const { return m_type; }
    // The starting view's tilt is (10, 10): elevation and rotation in degrees.
    QPointF tilt() const { return m_tilt; }
    QImage image() const;

public slots:
    // The tools of barTool by name: tlReset, tlDrag, tlRotate, tlScale,
    // tlToPrinter, tlToClipboard, tlSaveImage, tlShowPlot, tlShowArea.
    void toolClick(const QString &name);
    bool saveImage(const QString &fileName) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // keepView: the zoom and drag the operator set stay (a switch of type);
    // otherwise the whole period shows.
    void setChartType(ChartType type, bool keepView = true);
    void updateLabels();
    void applyTilt();
    void pressOnly(QAction *pressed);
    void print();

    QToolBar *barTool;
    QChartView *m_view;
    ChartData m_data;
    ChartType m_type = Plot;
    QPointF m_tilt{10, 10};
    QPoint m_last;
    bool m_pressed = false;
    int m_labelledWidth = -1;
};
