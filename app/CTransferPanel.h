#pragma once
// The strip along the bottom of the main window: the running transfer's status text, its
// progress bar and the button that aborts it. Idle, it shows only its artwork.

#include "ui/CAlphaBitmap.h"

#include <QRect>
#include <QString>

class QPainter;

namespace vidlume {

class CQuillmoorDoc;

class CTransferPanel {
public:
    explicit CTransferPanel(CQuillmoorDoc* document = nullptr);

    void SetRect(const QRect& rect) { m_rect = rect; }
    const QRect& GetRect() const { return m_rect; }
    void SetState(bool idle, const QString& status, float progress);
    bool IsIdle() const { return m_idle; }
    const QString& GetStatus() const { return m_status; }

    void Draw(QPainter& dc);
    // Where the abort button was drawn last.
    const QRect& GetAbortRect() const { return m_abortRect; }
    // Width of the progress fill between the two edges: the whole width from a progress of 1 on.
    static int ProgressWidth(int left, int right, float progress);

    // True when the hover state changed.
    bool OnMouseMove(const QPoint& point);
    // Aborts the running transfer when the point is on the abort button of a busy panel.
    bool OnClick(const QPoint& point);

private:
    QRect m_rect;
    QRect m_abortRect;
    CAlphaBitmap m_fill, m_artwork, m_leftCap, m_track, m_progressFill, m_abort, m_abortHover;
    bool m_idle = true;
    float m_progress = 0;
    QString m_status;
    CQuillmoorDoc* m_document;
    bool m_abortHoverFlag = false;
};

} // namespace vidlume
