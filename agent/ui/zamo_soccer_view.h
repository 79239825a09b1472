// The view that shows the field picture.
#pragma once

#include <functional>

#include <QImage>
#include <QWidget>

#include "agent/ui/field_renderer.h"

namespace zamo {

// The main window's client area: the picture of the field and the agent's world model. Each
// redraw builds the whole picture off-screen; painting copies it to the screen in one step.
class CZamoSoccerView : public QWidget {
    Q_OBJECT

  public:
    explicit CZamoSoccerView(QWidget* parent = nullptr);

    // Where the view takes what it shows; an empty scene (a white picture) until set.
    void setSceneSource(std::function<FieldScene()> source);

    // Rebuilds the picture for the current size and schedules its copy to the screen.
    void redraw();

    const QImage& picture() const { return picture_; }
    int redrawCount() const { return redrawCount_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::function<FieldScene()> source_;
    QImage picture_;
    int redrawCount_ = 0;
};

}  // namespace zamo
