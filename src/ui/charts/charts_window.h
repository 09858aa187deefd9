// "Charts": the figures of the current run against simulated time, one tab each (pedestrians in
// the trap, speed, delay, uncomfortability, NHI, NUVI, each with its run-wide mean), and the
// fundamental diagram (speed against density, specific flow against density), by walking
// direction once pedestrians walk both ways. The charts never redraw per step: while the window
// is shown, a timer at about 15 Hz appends the steps not drawn yet to the tab on show; the other
// tabs catch up when they are shown. The chart on show can be saved as PNG, as SVG (with the
// run's stamp in the corner), or its data as CSV.
#pragma once

#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "measure/step_series.h"

class QTabWidget;
class QTimer;

namespace strida::ui {

class ChartPage;

class ChartsWindow : public QWidget {
    Q_OBJECT
  public:
    // Milliseconds between two batches of drawing.
    static constexpr int kInterval = 66;

    // `steps` is the run's step series, which the window only reads; `folder` is where the file
    // dialogs start.
    ChartsWindow(const std::vector<StepFigures>& steps, QString folder, QWidget* parent = nullptr);

    // A run has started: every chart is empty again.
    void clear();
    // Appends what the tab on show has not drawn yet (as the timer does).
    void drawPending();

    QTabWidget* tabs() const { return tabs_; }
    ChartPage* page(int index) const;
    ChartPage* currentPage() const;
    QTimer* timer() const { return timer_; }
    // Batches drawn so far: every time a chart was given new points.
    int redraws() const { return redraws_; }
    // Whether pedestrians of both walking directions have been in the trap in this run.
    bool twoWay() const { return twoWay_; }

    // The chart on show, saved without asking: a PNG of the chart view's size, an SVG, or its data
    // as CSV (a header line, then one line per step). A file that cannot be written is reported
    // through showMessage and leaves no file claimed as saved (an existing one stays as it was).
    bool savePng(const QString& file);
    bool saveSvg(const QString& file);
    bool saveCsv(const QString& file);

    // Tells the user that a file could not be saved.
    std::function<void(const QString&)> showMessage;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void addPages();
    void watchDirections();
    // Asks for a file name (with this extension) and saves through `save`.
    void askAndSave(const QString& what, const QString& extension,
                    bool (ChartsWindow::*save)(const QString&));
    bool failed(const QString& what, const QString& file, const QString& reason);
    // The chart's data file: the columns of every step, as the charts show them.
    bool writeChartCsv(const std::filesystem::path& file, std::vector<const SeriesColumn*> columns,
                       std::string& error);

    const std::vector<StepFigures>& steps_;
    QString folder_;
    QTabWidget* tabs_ = nullptr;
    QTimer* timer_ = nullptr;
    int redraws_ = 0;
    // The steps looked at for walking directions, and the directions seen in the trap.
    std::size_t watched_ = 0;
    bool seen_[2] = {false, false};
    bool twoWay_ = false;
};

}  // namespace strida::ui
