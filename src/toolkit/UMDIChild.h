#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

// The base of the view, report and quick-statistic windows: an MDI child that
// opens fitted to the frame, and whose maximise request toggles between fitted
// and its previous bounds.
class TfrmMDIChild : public QWidget {
    Q_OBJECT

public:
    explicit TfrmMDIChild(QWidget* parent = nullptr);

    bool Expanded() const { return m_expanded; }
    // Fits the window to the frame when expanded (top left, the frame's width
    // less 5 and its height less 170 measured on the main window's client area).
    void FitToFrame();
    void ToggleExpanded();

    // The frame the window lives in (its MDI sub-window), and the main window
    // whose client size fits it.
    QWidget* FrameWindow() const;
    QTimer* Timer1 = nullptr;

    static constexpr int DesignWidth = 693;
    static constexpr int DesignHeight = 477;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool m_expanded = false;
    QRect m_saved;
    bool m_filtering = false;
};
