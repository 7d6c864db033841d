#include "app/mainwindow/SplitterBar.h"

#include <QMouseEvent>

#include "app/mainwindow/Twips.h"
#include "app/mainwindow/VbEvents.h"
#include "app/trace/Trace.h"

namespace {

float Tw(double px) { return static_cast<float>(px * twips::kPerPixel); }

}  // namespace

SplitterBar::SplitterBar(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeHorCursor);
    setMouseTracking(false);
}

void SplitterBar::mousePressEvent(QMouseEvent* e) try {
    e->accept();
    if (onMouseDown)
        onMouseDown(VbButton(e->button()), VbShift(e->modifiers()), Tw(e->position().x()), Tw(e->position().y()));
}
TRACE_BOUNDARY

void SplitterBar::mouseMoveEvent(QMouseEvent* e) try {
    e->accept();
    if (onMouseMove)
        onMouseMove(VbButtons(e->buttons()), VbShift(e->modifiers()), Tw(e->position().x()), Tw(e->position().y()));
}
TRACE_BOUNDARY

void SplitterBar::mouseReleaseEvent(QMouseEvent* e) try {
    e->accept();
    if (onMouseUp)
        onMouseUp(VbButton(e->button()), VbShift(e->modifiers()), Tw(e->position().x()), Tw(e->position().y()));
}
TRACE_BOUNDARY
