#include "UMDIChild.h"

#include "UReflection.h"

#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWindowStateChangeEvent>

TfrmMDIChild::TfrmMDIChild(QWidget* parent) : QWidget(parent) {
    MarkAsWindow(this);
    resize(DesignWidth, DesignHeight);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &TfrmMDIChild::ToggleExpanded);
}

QWidget* TfrmMDIChild::FrameWindow() const {
    return qobject_cast<QMdiSubWindow*>(parentWidget());
}

void TfrmMDIChild::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (QWidget* frame = FrameWindow(); frame && !m_filtering) {
        frame->installEventFilter(this);
        m_filtering = true;
    }
}

void TfrmMDIChild::FitToFrame() {
    auto* frame = qobject_cast<QMdiSubWindow*>(FrameWindow());
    if (!frame)
        return;
    if (!m_expanded)
        return;
    QMdiArea* area = frame->mdiArea();
    QMainWindow* main = area ? qobject_cast<QMainWindow*>(area->window()) : nullptr;
    const QSize client = main ? main->size() : (area ? area->size() : frame->size());
    int width = client.width() - 5;
    if (area && area->horizontalScrollBar()->isVisible() &&
        area->horizontalScrollBar()->value() != 0)
        width = client.width() - 30;
    frame->setGeometry(0, 0, width, client.height() - 170);
}

void TfrmMDIChild::ToggleExpanded() {
    Timer1->stop();
    auto* frame = qobject_cast<QMdiSubWindow*>(FrameWindow());
    if (!frame)
        return;
    frame->setWindowState(Qt::WindowNoState);
    if (m_expanded) {
        m_expanded = false;
        frame->setGeometry(m_saved);
    } else {
        m_expanded = true;
        m_saved = frame->geometry();
    }
    FitToFrame();
}

bool TfrmMDIChild::eventFilter(QObject* watched, QEvent* event) {
    // A maximise request toggles between fitted and the previous bounds.
    if (watched == FrameWindow() && event->type() == QEvent::WindowStateChange) {
        if (static_cast<QWidget*>(watched)->windowState() & Qt::WindowMaximized)
            Timer1->start();
    }
    return QWidget::eventFilter(watched, event);
}
