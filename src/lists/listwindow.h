#pragma once

#include "lists/listcommands.h"
#include "lists/listmodel.h"

#include <QPageLayout>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class GridPrinter;
class QLabel;
class QMdiSubWindow;
class QStandardItemModel;
class QTableView;

// What every list window shares: one read-only grid over a statement made
// of three parts, sorting by header click, a totals line, row colouring,
// printing, and telling the main window's commands when it comes to front.
class ListWindow : public QWidget {
    Q_OBJECT

public:
    explicit ListWindow(QWidget *parent = nullptr);

    QString curShortSQL;
    QString curFilterSQL;
    QString curSortSQL;
    // Between the filter and the sort: the report windows group their rows.
    QString curGroupSQL;
    QString curFullSQL;
    int curSortDirection = 0;

    ListModel *model() const { return m_model; }
    // What the main window's tools can ask of this list.
    ListCommands &commands() { return m_commands; }
    const ListCommands &commands() const { return m_commands; }
    QTableView *grid() const { return dbgMain; }

    // The ID of the selected row, empty when none is selected; the row's
    // other values by field name.
    QString selectedID() const;
    QVariant selectedValue(const QString &field) const;
    bool selectRowOfId(qint64 id);
    // The selected row's ID, to open it; 0 after telling the operator to
    // select one.
    qint64 selectedIdToEdit() const;
    // The account of the selected row's customer (the rows are customers).
    void showSelectedAccount();

    void ShowSortIcon(int ColIndex, int Direction);
    // The sum of a summed column over the filtered rows, as the totals line
    // shows it: empty without a filter, "0" without rows.
    QString GetColTotalValue(int ColIndex);
    QStringList footerTexts() const;
    // Footer of column total minus footer of column settled, as plain text.
    static QString footerDifference(const QStringList &footer, int total, int settled);

    // The list's grid as printed pages (title, columns, rows, totals line);
    // error, when given, says why nothing was written.
    bool exportPdf(const QString &fileName, QString *error = nullptr);
    // Where the columns of the last printout lay, in points from the
    // paper's left edge (GridPrinter::columnEdges).
    QVector<qreal> printedColumnEdges() const { return m_printedEdges; }
    // Where a printout goes when the workstation has no printer.
    QString pdfFileName() const;
    // The printout's name, for a file: its title, or the window's.
    QString printName() const;

    // The view the list opened with (its filter, order and caption) is
    // kept before the first change to it, and 恢复默认 brings it back.
    void keepDefaultView();
    void restoreDefaultView();
    // What the filter dialog held when it was last accepted, and the
    // filter in words for the caption.
    const QVariantMap &filterState() const { return m_filterState; }
    void setFilterState(const QVariantMap &state, const QString &description);

public slots:
    void DataRefresh();
    void PrintPreview();
    void PrintReport();
    // Paper and margins of this list's printout.
    void PrintSetup();
    void sortByColumn(int ColIndex);

protected:
    // Set up by each list before it loads.
    void setGridCaption(const QString &caption);
    void setPrintTitle(const QString &title) { m_printTitle = title; }
    // A print failure text with "%1" shows the print job's own error there.
    void setPrintFailureTexts(const QString &preview, const QString &print,
        const QString &previewTitle, const QString &printTitle);
    void setColumns(const QList<ListColumn> &columns);
    void setSortFieldMap(const QHash<QString, QString> &map) { m_sortFields = map; }
    void setUnsortableFields(const QStringList &fields) { m_unsortable = fields; }
    void setClosesOnDeactivation(bool closes) { m_closesOnDeactivation = closes; }
    // A report's few summed rows: read whole, without keys of their own.
    void setReadsWhole(bool whole) { m_readsWhole = whole; }
    void setRowStyler(ListModel::RowStyler styler);
    // Summed columns and the sentence the last column's footer shows.
    using BalanceSentence = std::function<QString(const QStringList &footer)>;
    void setTotals(const QList<int> &summedColumns, BalanceSentence sentence);
    // Where the totals line says what it is ("合      计" under column 1).
    void setTotalsLabel(int column, const QString &label);
    // Totals added up from the rows shown instead of a query of the sales:
    // for windows whose rows are already sums.
    void setTotalsFromRows(bool fromRows) { m_totalsFromRows = fromRows; }
    // Footer texts, one per column, that the list works out itself instead
    // of sums over the sales (lists of other tables).
    using FooterTexts = std::function<QStringList()>;
    void setFooterTexts(FooterTexts texts);
    // Offers preview, print and page set-up of the grid (tlPrintSale prints
    // the grid too when printSale is set).
    void offerPrintCommands(bool printSale);

    // Opens an entry form of this list modally, for a new record or for the
    // record id (the opener sets mActionType and mCurID first), and shows
    // the change afterwards when the workstation refreshes lists itself.
    template <class Form> void openForm(decltype(Form::mActionType) mode, qint64 id = 0)
    {
        Form form(this);
        form.mActionType = mode;
        form.mCurID = decltype(form.mCurID)(id);
        form.exec();
        if (autoDataRefresh())
            DataRefresh();
    }
    // The same for the selected record, to change it.
    template <class Form> void editSelected()
    {
        if (const qint64 id = selectedIdToEdit())
            openForm<Form>(Form::Edit, id);
    }

    // Runs the first query when the workstation wants lists filled at once.
    void loadRows();
    bool autoDataRefresh() const;
    void ShowTotal();
    // Fits the columns to the grid's width: each as wide as its caption,
    // its rows on screen and its sum; when they are wider than the window,
    // the widest texts give way first and figures and sums stay whole.
    void fitColumns();
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The rows' key as the statement names it; empty when read whole.
    QString keyField() const;
    QStringList columnSums(const QList<int> &columns);
    void writeFooter(const QStringList &footer);
    void attachToArea();
    void activated();
    void setUpPrinter(GridPrinter &printer) const;
    bool runPrintJob(bool preview, QString *error);
    void showPrintFailure(const QString &error);

    // The caption says when a filter narrows the rows.
    void showCaption();

    QLabel *m_caption;
    QString m_gridCaption;
    QString m_defaultFilter;
    QString m_defaultSort;
    int m_defaultSortDirection = 0;
    int m_defaultSortArrow = -1;
    bool m_defaultKept = false;
    QVariantMap m_filterState;
    QString m_filterDescription;
    QTableView *dbgMain;
    QTableView *m_footerView;
    QStandardItemModel *m_footer;
    ListModel *m_model;
    QString m_printTitle;
    QString m_previewFailure;
    QString m_printFailure;
    QString m_previewFailureTitle;
    QString m_printFailureTitle;
    QHash<QString, QString> m_sortFields;
    QStringList m_unsortable;
    QList<int> m_summed;
    BalanceSentence m_sentence;
    FooterTexts m_footerTexts;
    bool m_closesOnDeactivation = true;
    bool m_totalsFromRows = false;
    bool m_readsWhole = false;
    int m_totalsLabelColumn = 1;
    QString m_totalsLabel = QStringLiteral("合      计");
    QMdiSubWindow *m_subWindow = nullptr;
    QPageLayout m_pageLayout;
    QVector<qreal> m_printedEdges;
    ListCommands m_commands;
    QWidget *m_footerMargin;
    bool m_filled = false;
    // Another child window came to the front since this one last was.
    bool m_behind = false;
};
