// One chart of the charts window: a titled chart with two value axes and its traces (lines or
// points), filled from the run's step series in batches. A page remembers how many steps it has
// drawn, so each batch appends only the steps that came after, in one call per trace.
#pragma once

#include <QChartView>
#include <QColor>
#include <QString>
#include <span>
#include <string_view>
#include <vector>

#include "measure/step_series.h"

class QValueAxis;
class QXYSeries;

namespace strida::ui {

// The figures of a run's steps as the charts show them, taken step after step from the first: the
// delays in seconds (the step series has them, as the performance panel does, in seconds times
// the time slice), and the run's means over every step so far with someone in the trap. The
// panel's means start again whenever the trap empties; these keep their value over empty steps
// and to the end of the run.
class ChartFigures {
  public:
    StepFigures next(const StepFigures& step);

  private:
    double sampled_ = 0;  // steps so far with someone in the trap
    double means_[6] = {0, 0, 0, 0, 0, 0};
};

// A column of the charts' figures by name: those of the chart-data file, and the delays in
// seconds (InstantDelay_s, AvgDelay_s).
const SeriesColumn* chartColumn(std::string_view name);

// One trace: a point per step from two chart-data columns, for the steps it shows.
struct TraceLayout {
    const char* name;  ///< the series' object name, for tests
    QString legend;
    QColor colour;
    const char* x;  ///< chart-data column names (see seriesColumns())
    const char* y;
    bool (*shows)(const StepFigures&) = nullptr;  ///< none: every step
};

struct PageLayout {
    const char* name;  ///< the page's object name and the stem of the file names it suggests
    QString tab, title, xTitle, yTitle;
    bool scatter;  ///< points (the fundamental diagram) or lines (the time series)
    // The traces shown, and for a page that tells the walking directions apart, the traces shown
    // instead once pedestrians walk both ways.
    std::vector<TraceLayout> traces, twoWay;
    // The columns the page's data file has.
    std::vector<const char*> csvColumns;
};

class ChartPage : public QChartView {
    Q_OBJECT
  public:
    explicit ChartPage(PageLayout layout, QWidget* parent = nullptr);
    ~ChartPage() override;

    const PageLayout& layout() const { return layout_; }
    // Appends the steps not drawn yet; false when there were none. A series shorter than what was
    // drawn (a new run) starts the page over.
    bool catchUp(std::span<const StepFigures> steps);
    // Empties the traces: nothing drawn.
    void reset();
    // Shows the per-direction traces (or the whole trap's) from the first step on.
    void setTwoWay(bool twoWay);
    bool twoWay() const { return twoWay_; }
    // The traces on the chart now.
    const std::vector<QXYSeries*>& shown() const { return twoWay_ ? split_ : whole_; }
    std::vector<const SeriesColumn*> csvColumns() const;
    std::size_t drawn() const { return drawn_; }

  private:
    struct Trace {
        QXYSeries* series;
        const SeriesColumn* x;
        const SeriesColumn* y;
        bool (*shows)(const StepFigures&);
    };
    std::vector<QXYSeries*> makeTraces(const std::vector<TraceLayout>& layouts,
                                       std::vector<Trace>& into);
    void attach(const std::vector<QXYSeries*>& series);
    void detach(const std::vector<QXYSeries*>& series);
    void fitAxes();

    PageLayout layout_;
    QChart* chart_;
    QValueAxis* xAxis_;
    QValueAxis* yAxis_;
    std::vector<Trace> wholeTraces_, splitTraces_;
    std::vector<QXYSeries*> whole_, split_;
    ChartFigures figures_;
    bool twoWay_ = false;
    std::size_t drawn_ = 0;
    // The extent of the points drawn so far.
    double minX_ = 0, maxX_ = 0, minY_ = 0, maxY_ = 0;
};

}  // namespace strida::ui
