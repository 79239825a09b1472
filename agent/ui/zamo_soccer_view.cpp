// The view that shows the field picture.
#include "agent/ui/zamo_soccer_view.h"

#include <utility>

#include <QPainter>

namespace zamo {

CZamoSoccerView::CZamoSoccerView(QWidget* parent) : QWidget(parent) {
    // The picture covers every pixel, so the widget needs no background of its own.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(1, 1);
}

void CZamoSoccerView::setSceneSource(std::function<FieldScene()> source) {
    source_ = std::move(source);
}

void CZamoSoccerView::redraw() {
    const FieldScene scene = source_ ? source_() : FieldScene{};
    picture_ = renderField(scene, size());
    ++redrawCount_;
    update();
}

void CZamoSoccerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void CZamoSoccerView::resizeEvent(QResizeEvent*) {
    redraw();
}

}  // namespace zamo
