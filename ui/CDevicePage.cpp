#include "CDevicePage.h"

#include "devices/CBaseDevice.h"
#include "ui/CEraseHandler.h"
#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPainter>

namespace vidlume {

CDevicePage::CDevicePage(CBaseDevice* device) : m_device(device)
{
    hide();
}

CDevicePage::~CDevicePage() = default;

CQuillmoorDoc* CDevicePage::GetDocument() const
{
    return m_device ? m_device->GetDocument() : nullptr;
}

void CDevicePage::Create(QWidget* parent)
{
    if (m_created) {
        // A new window over the same document takes the page over.
        if (parentWidget() != parent) {
            setParent(parent);
            setEnabled(false);
            hide();
        }
        return;
    }
    setParent(parent);
    setEnabled(false);
    hide();
    OnInitDialog();
    m_created = true;
}

void CDevicePage::OnInitDialog()
{
    SetAnchorWindow(this);
}

QRect CDevicePage::DialogRect(int x, int y, int width, int height) const
{
    return DialogToPixels(font(), x, y, width, height);
}

void CDevicePage::PlaceControl(QWidget* control, int id, int x, int y, int width, int height)
{
    control->setObjectName(QString::number(id));
    QRect rect = DialogRect(x, y, width, height);
    // A drop-down box's template height reserves room for its list; the box itself is one line.
    if (qobject_cast<QComboBox*>(control))
        rect.setHeight(control->sizeHint().height());
    control->setGeometry(rect);
}

void CDevicePage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ResizeAnchors();
}

void CDevicePage::paintEvent(QPaintEvent* event)
{
    if (!m_eraseHandler)
        return QWidget::paintEvent(event);
    QPainter dc(this);
    CEraseHandler::PaintBehind(m_eraseHandler, this, dc);
}

void CDevicePage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        OnFirstShow();
    }
}

void CDevicePage::keyPressEvent(QKeyEvent* event)
{
    // The page is part of the main window: Enter and Escape must not end anything.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vidlume
