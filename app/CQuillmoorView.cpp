#include "CQuillmoorView.h"

#include "devices/CSourceDevice.h"
#include "devices/CTargetDevice.h"
#include "platform/settings/CSettingsStore.h"
#include "platform/shell/CShell.h"
#include "res/CStringTable.h"
#include "ui/CDevicePage.h"
#include "ui/CFlatButton.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>

#include <tinyxml2.h>

namespace vidlume {

namespace {
    constexpr unsigned IDB_BACKGROUND = 327, IDB_TRANSFER = 314;
    constexpr unsigned IDS_UNTITLED_ARTIST = 279;
    constexpr int IDC_TRANSFER = 100;
    constexpr int kPanelHeight = 40;   // the panel fill bitmap's height
    constexpr int kTabRowHeight = 72;  // the selected-tab highlight's height
    constexpr int kPageMargin = 12;
    const char* const kCoverEditor = "Sleevo.exe";
}

CQuillmoorView::CQuillmoorView(CQuillmoorDoc* document, QWidget* parent)
    : QWidget(parent), m_document(document), m_panel(document)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    m_background.LoadFromResource(IDB_BACKGROUND);

    m_transfer = new CFlatButton(this);
    m_transfer->setObjectName(QString::number(IDC_TRANSFER));
    m_transfer->setText(QStringLiteral("Transfer"));
    m_transfer->SetIcon(IDB_TRANSFER);
    m_transfer->SetEraseHandler(this);
    m_transfer->SetColors(palette().color(QPalette::Window), QColor(212, 232, 255), Qt::white, Qt::black);
    m_transfer->resize(80, 80);
    connect(m_transfer, &CFlatButton::clicked, this, &CQuillmoorView::OnTransfer);

    m_source.SetOwner(this);
    m_target.SetOwner(this);
    BuildStrips();
    PlacePages();
    m_document->AddObserver(this);
    connect(&m_timer, &QTimer::timeout, this, &CQuillmoorView::OnTimer);
    m_timer.start(100);
}

CQuillmoorView::~CQuillmoorView()
{
    m_timer.stop();
    m_document->RemoveObserver(this);
    // The devices own their pages: take them back out of the window before it goes.
    for (const auto& device : m_document->GetDevices()) {
        if (CDevicePage* page = device->GetPage(); page && page->parentWidget() == this) {
            page->hide();
            page->SetEraseHandler(nullptr);
            page->setParent(nullptr);
        }
    }
}

CBaseDevice* CQuillmoorView::GetSelectedDevice(const CDeviceTabHandler& strip) const
{
    const Guid id = strip.GetSelectedId();
    return id == Guid {} ? nullptr : m_document->FindDeviceById(id);
}

void CQuillmoorView::BuildStrips()
{
    m_source.RemoveAllTabs();
    m_target.RemoveAllTabs();
    for (const auto& device : m_document->GetDevices()) {
        CAlphaBitmap icon;
        icon.LoadFromResource(unsigned(device->GetPicture()));
        CDevicePage* page = device->GetPage();
        if (page && page->parentWidget() != this)
            page->Create(this);
        if (CSettingsStore::GetProfileInt(QStringLiteral("Devices"), device->GetName(), 1) == 0)
            continue;
        CDeviceTabHandler& strip = device->GetKind() == kSourceDevice ? m_source : m_target;
        if (page)
            page->SetEraseHandler(&strip);
        strip.AddTab(device->GetName(), icon, device->GetId());
    }
}

void CQuillmoorView::PlacePages()
{
    const Guid sourceId = m_source.GetSelectedId(), targetId = m_target.GetSelectedId();
    for (const auto& device : m_document->GetDevices()) {
        CDevicePage* page = device->GetPage();
        if (!page || !page->IsCreated())
            continue;
        const Guid& id = device->GetId();
        const CDeviceTabHandler* strip = id == Guid {} ? nullptr : id == sourceId ? &m_source : id == targetId ? &m_target : nullptr;
        if (!strip) {
            page->hide();
            continue;
        }
        page->setEnabled(true);
        page->setGeometry(strip->GetPageFrame().adjusted(kPageMargin, kPageMargin, -kPageMargin, -kPageMargin));
        page->show();
    }
    UpdateTransferButton();
}

void CQuillmoorView::UpdateTransferButton()
{
    CBaseDevice* source = GetSelectedDevice(m_source);
    CBaseDevice* target = GetSelectedDevice(m_target);
    m_transfer->setEnabled(source && target && source->IsAvailable() && target->IsAvailable());
}

void CQuillmoorView::Layout(int cx, int cy)
{
    const int H = kPanelHeight, T = kTabRowHeight;
    m_source.SetRects(QRect(QPoint(8, 8), QPoint((cx - 80) / 2 - 1, cy - H - 8 - 1)),
        QRect(QPoint(8, 8 + T), QPoint((cx - 80) / 2 - 1, cy - H - 8 - 1)));
    m_target.SetRects(QRect(QPoint((cx + 80) / 2, 8), QPoint(cx - 8 - 1, cy - H - 8 - 1)),
        QRect(QPoint((cx + 80) / 2, 8 + T), QPoint(cx - 8 - 1, cy - H - 8 - 1)));
    m_transfer->setGeometry((cx - 80) / 2, cy / 2 - H, 80, 80);
    m_panel.SetRect(QRect(0, cy - H, cx, H));
    PlacePages();
}

void CQuillmoorView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Layout(width(), height());
}

void CQuillmoorView::EraseBackground(QPainter& dc)
{
    // Every mouse move repaints the view: stretch the background once per size, not per paint.
    const QSize size(width(), std::max(0, height() - kPanelHeight));
    if (size.isEmpty())
        return;
    if (m_scaledBackground.size() != size) {
        m_scaledBackground = QPixmap(size);
        QPainter scaled(&m_scaledBackground);
        m_background.Draw(scaled, 255, QRect(QPoint(0, 0), size), QRect(QPoint(0, 0), m_background.GetSize()));
    }
    dc.drawPixmap(0, 0, m_scaledBackground);
}

void CQuillmoorView::paintEvent(QPaintEvent*)
{
    // Qt paints widgets into a back buffer already: the whole surface reaches the screen at once.
    QPainter dc(this);
    EraseBackground(dc);
    m_panel.Draw(dc);
    m_target.Draw(dc);
    m_source.Draw(dc);
}

void CQuillmoorView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    m_source.OnMouseMove(point);
    m_target.OnMouseMove(point);
    m_panel.OnMouseMove(point);
    // Only the tab rows and the panel show hover states; the pages need not repaint.
    for (const CDeviceTabHandler* strip : { &m_source, &m_target })
        update(QRect(strip->GetStrip().topLeft(), QPoint(strip->GetStrip().right(), strip->GetPageFrame().top() + 5)));
    update(m_panel.GetRect());
    QWidget::mouseMoveEvent(event);
}

void CQuillmoorView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        m_source.OnClick(point);
        m_target.OnClick(point);
        m_panel.OnClick(point);
        PlacePages();
        update();
    }
    QWidget::mousePressEvent(event);
}

void CQuillmoorView::OnTimer()
{
    QString status;
    bool idle = true;
    float progress = 0;
    // Nothing reported (a nested poll, or a task that failed to start): the panel stays as it is.
    if (!m_document->PollTasks(&status, &idle, &progress))
        return;
    if (idle == m_idle && status == m_status && progress == m_progress)
        return;
    m_idle = idle;
    m_status = status;
    m_progress = progress;
    m_panel.SetState(idle, status, progress);
    update(m_panel.GetRect());
}

void CQuillmoorView::OnTransfer()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* source = dynamic_cast<CSourceDevice*>(GetSelectedDevice(m_source));
    auto* target = dynamic_cast<CTargetDevice*>(GetSelectedDevice(m_target));
    QApplication::restoreOverrideCursor();
    // The source may ask whether to take the selected items; no wait cursor over a question.
    if (source && target)
        m_document->QueueTransfer(source, nullptr, target);
}

void CQuillmoorView::OnDocumentEvent(int code, CTranscodeTask*)
{
    if (code == kDeviceArrived || code == kDeviceRemoved)
        UpdateTransferButton();
}

bool WriteDiscInformation(const QString& path, const QString& title, const QString& artist, const QList<CDeviceTitle*>& tracks)
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\""));
    tinyxml2::XMLElement* root = document.NewElement("discinfo");
    document.InsertEndChild(root);
    const auto field = [&](const char* name, const QString& text) {
        tinyxml2::XMLElement* element = root->InsertNewChildElement("field");
        element->SetAttribute("name", name);
        element->SetText(text.toUtf8().constData());
    };
    field("disctitle", title);
    field("discartist", artist);
    tinyxml2::XMLElement* list = root->InsertNewChildElement("tracklist");
    for (const CDeviceTitle* track : tracks) {
        tinyxml2::XMLElement* element = list->InsertNewChildElement("track");
        element->InsertNewChildElement("title")->SetText(track->m_title.toUtf8().constData());
        element->InsertNewChildElement("artist")->SetText(track->m_artist.toUtf8().constData());
        element->InsertNewChildElement("playtime")->SetText(track->m_playtime.toUtf8().constData());
    }
    return document.SaveFile(QFile::encodeName(path).constData()) == tinyxml2::XML_SUCCESS;
}

void CQuillmoorView::OnCoverEditor()
{
    QString path;
    if (auto* target = dynamic_cast<CTargetDevice*>(GetSelectedDevice(m_target))) {
        QList<CDeviceTitle*> titles;
        if (target->GetTitles(&titles)) {
            const QString folder = CShell::GetAppDataFolder() + QStringLiteral("/Norvex");
            QDir().mkpath(folder);
            path = folder + QStringLiteral("/New.xml");
            WriteDiscInformation(path, target->GetVolumeName(), CStringTable::LoadString(IDS_UNTITLED_ARTIST), titles);
        }
        qDeleteAll(titles);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CShell::StartProgram(QString::fromLatin1(kCoverEditor), path.isEmpty() ? QStringList() : QStringList { path });
    QApplication::restoreOverrideCursor();
}

} // namespace vidlume
