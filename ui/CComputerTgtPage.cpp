#include "CComputerTgtPage.h"

#include "conversion/CFormatDlg.h"
#include "conversion/CTargetHandler.h"
#include "devices/CComputerTgtDev.h"
#include "platform/shell/CShell.h"
#include "res/CStringTable.h"
#include "ui/CComputerSrcPage.h"
#include "ui/CExStatic.h"
#include "ui/CFlatButton.h"
#include "ui/CFolderCombo.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CShellFolder.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>

namespace vidlume {

namespace {
    constexpr int IDC_FOLDER_LABEL = 1007, IDC_FOLDERS = 1014, IDC_UP = 1017, IDC_FORMAT_LABEL = 1021, IDC_FORMAT = 1015,
                  IDC_PROFILE_LABEL = 1022, IDC_PROFILE = 1018, IDC_SETTINGS = 1016, IDC_CONTENT_LABEL = 1020, IDC_LIST = 1044;
    constexpr unsigned IDB_UP = 372;
}

CComputerTgtPage::CComputerTgtPage(CBaseDevice* device) : CDevicePage(device), m_folder(CShell::GetVideosFolder())
{
    QDir().mkpath(m_folder);
}

CComputerTgtDev* CComputerTgtPage::GetTargetDevice() const
{
    return static_cast<CComputerTgtDev*>(GetDevice());
}

void CComputerTgtPage::OnInitDialog()
{
    CDevicePage::OnInitDialog();
    resize(DialogRect(0, 0, 388, 237).size());

    const struct { int id; int x, y, w, h; } labels[] = {
        { IDC_FOLDER_LABEL, 7, 9, 73, 8 },
        { IDC_FORMAT_LABEL, 7, 27, 78, 8 },
        { IDC_PROFILE_LABEL, 7, 46, 78, 8 },
        { IDC_CONTENT_LABEL, 7, 73, 374, 8 },
    };
    for (int i = 0; i < 4; ++i) {
        m_labels[i] = new CExStatic(this);
        m_labels[i]->setText(CStringTable::DialogText(109, unsigned(labels[i].id)));
        PlaceControl(m_labels[i], labels[i].id, labels[i].x, labels[i].y, labels[i].w, labels[i].h);
    }
    m_folders = new CFolderCombo(this);
    PlaceControl(m_folders, IDC_FOLDERS, 91, 7, 266, 160);
    m_up = new CFlatButton(this);
    PlaceControl(m_up, IDC_UP, 364, 7, 17, 14);
    m_formatBox = new QComboBox(this);
    PlaceControl(m_formatBox, IDC_FORMAT, 91, 25, 290, 30);
    m_profileBox = new QComboBox(this);
    PlaceControl(m_profileBox, IDC_PROFILE, 91, 43, 290, 30);
    m_settings = new QPushButton(CStringTable::DialogText(109, IDC_SETTINGS), this);
    PlaceControl(m_settings, IDC_SETTINGS, 303, 59, 78, 14);
    m_list = new CMediaListCtrl(this);
    m_list->SetCheckBoxes(false);
    m_list->SetShowAudio(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->Attach();
    PlaceControl(m_list, IDC_LIST, 7, 83, 374, 147);

    AddAnchor(IDC_FOLDER_LABEL, ANCHOR_LEFT | ANCHOR_TOP);
    AddAnchor(IDC_FOLDERS, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_UP, ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_FORMAT_LABEL, ANCHOR_LEFT | ANCHOR_TOP);
    AddAnchor(IDC_FORMAT, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_PROFILE_LABEL, ANCHOR_LEFT | ANCHOR_TOP);
    AddAnchor(IDC_PROFILE, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_SETTINGS, ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_CONTENT_LABEL, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_LIST, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
    m_up->SetIcon(IDB_UP);

    ConnectFolderBrowsing(this, m_folders, m_list);
    connect(m_up, &CFlatButton::clicked, m_list, &CMediaListCtrl::GoUp);
    connect(m_formatBox, &QComboBox::activated, this, &CComputerTgtPage::OnFormatChanged);
    connect(m_profileBox, &QComboBox::activated, this, &CComputerTgtPage::OnProfileChanged);
    connect(m_settings, &QPushButton::clicked, this, &CComputerTgtPage::OnSettings);
}

void CComputerTgtPage::SetEraseHandler(CEraseHandler* painter)
{
    CDevicePage::SetEraseHandler(painter);
    for (CExStatic* label : m_labels) {
        if (label)
            label->SetEraseHandler(painter);
    }
    if (m_up)
        m_up->SetEraseHandler(painter);
}

void CComputerTgtPage::OnFirstShow()
{
    QStringList names;
    GetTargetDevice()->GetFormatNames(&names);
    m_formatBox->clear();
    m_formatBox->addItems(names);
    m_formatBox->setCurrentIndex(names.isEmpty() ? -1 : 0);
    const CNameSpaceItem folder = CShellFolder::FromPath(m_folder);
    m_list->FillFromFolder(&folder.GetList());
    m_folders->SetFolder(&folder.GetList());
    FillProfiles();
}

void CComputerTgtPage::FillProfiles()
{
    m_profileBox->clear();
    CTargetHandler* handler = GetTargetDevice()->GetCurrentFormat();
    if (!handler)
        return;
    for (int i = 0; i < handler->GetProfileCount(); ++i)
        m_profileBox->addItem(handler->GetProfile(i).m_name);
    // The box shows the profile the handler will use: a handler chosen again keeps the profile
    // the user picked for it before.
    m_profileBox->setCurrentIndex(handler->GetCurrentProfileIndex());
}

void CComputerTgtPage::OnFormatChanged(int index)
{
    CComputerTgtDev* device = GetTargetDevice();
    device->SetCurrentFormat(index >= 0 && index < device->GetFormatCount() ? device->GetFormat(index) : nullptr);
    FillProfiles();
}

void CComputerTgtPage::OnProfileChanged(int index)
{
    CTargetHandler* handler = GetTargetDevice()->GetCurrentFormat();
    if (handler && index >= 0 && index < handler->GetProfileCount())
        handler->SelectProfile(index);
}

void CComputerTgtPage::OnSettings()
{
    if (CTargetHandler* handler = GetTargetDevice()->GetCurrentFormat()) {
        CFormatDlg dialog(handler, window());
        dialog.exec();
        // The dialog may have picked another base profile, which stays even after Cancel.
        FillProfiles();
    }
}

void CComputerTgtPage::OnDocumentEvent(int code, CTranscodeTask*)
{
    RelistOnDocumentEvent(code, m_folders, m_list);
}

QString CComputerTgtPage::GetFolderPath() const
{
    if (m_list && !m_list->IsDeviceMode())
        return m_list->GetFolderPath();
    return m_folder;
}

void CComputerTgtPage::SetFolderPath(const QString& folder)
{
    m_folder = folder;
    if (m_list && !m_list->IsDeviceMode()) {
        const CNameSpaceItem place = CShellFolder::FromPath(folder);
        m_list->FillFromFolder(&place.GetList());
        m_folders->SetFolder(&place.GetList());
    }
}

} // namespace vidlume
