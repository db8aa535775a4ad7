#include "CComputerSrcPage.h"

#include "app/CQuillmoorDoc.h"
#include "devices/CBaseDevice.h"
#include "platform/shell/CShell.h"
#include "res/CStringTable.h"
#include "ui/CExStatic.h"
#include "ui/CFlatButton.h"
#include "ui/CFolderCombo.h"
#include "ui/CMediaListCtrl.h"
#include "ui/CShellFolder.h"

namespace vidlume {

namespace {
    constexpr int IDC_LABEL = 1019, IDC_FOLDERS = 1018, IDC_UP = 1017, IDC_LIST = 1044;
    constexpr unsigned IDB_UP = 372;
}

void ConnectFolderBrowsing(CDevicePage* page, CFolderCombo* folders, CMediaListCtrl* list)
{
    QObject::connect(list, &CMediaListCtrl::Notify, page, [page, folders, list](int code) {
        if (code == MLN_FOLDERCHANGED) {
            folders->SetFolder(&list->GetFolder().GetList());
        } else if (code == MLN_DELETED || code == MLN_RENAMED) {
            if (CQuillmoorDoc* document = page->GetDocument())
                document->BroadcastEvent(kFolderFilesChanged, nullptr);
        }
    });
    QObject::connect(folders, &CFolderCombo::Notify, page, [folders, list](int code) {
        if (code == 1000)
            list->FillFromFolder(&folders->GetFolder().GetList());
    });
}

void RelistOnDocumentEvent(int code, CFolderCombo* folders, CMediaListCtrl* list)
{
    if (!folders || !list || list->IsDeviceMode())
        return;
    if (code == kTaskFinished || code == kTaskAborted || code == kFolderFilesChanged)
        list->FillFromFolder(&folders->GetFolder().GetList());
}

CComputerSrcPage::CComputerSrcPage(CBaseDevice* device) : CDevicePage(device) { }

void CComputerSrcPage::OnInitDialog()
{
    CDevicePage::OnInitDialog();
    resize(DialogRect(0, 0, 388, 238).size());

    m_label = new CExStatic(this);
    m_label->setText(CStringTable::DialogText(110, IDC_LABEL));
    PlaceControl(m_label, IDC_LABEL, 7, 9, 73, 8);
    m_folders = new CFolderCombo(this);
    PlaceControl(m_folders, IDC_FOLDERS, 91, 7, 266, 224);
    m_up = new CFlatButton(this);
    PlaceControl(m_up, IDC_UP, 364, 7, 17, 14);
    m_list = new CMediaListCtrl(this);
    m_list->SetShowAudio(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->Attach();
    PlaceControl(m_list, IDC_LIST, 7, 28, 374, 203);

    AddAnchor(IDC_LABEL, ANCHOR_LEFT | ANCHOR_TOP);
    AddAnchor(IDC_FOLDERS, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_UP, ANCHOR_TOP | ANCHOR_RIGHT);
    AddAnchor(IDC_LIST, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
    m_up->SetIcon(IDB_UP);

    ConnectFolderBrowsing(this, m_folders, m_list);
    connect(m_up, &CFlatButton::clicked, this, &CComputerSrcPage::OnUp);
}

void CComputerSrcPage::SetEraseHandler(CEraseHandler* painter)
{
    CDevicePage::SetEraseHandler(painter);
    if (m_label)
        m_label->SetEraseHandler(painter);
    if (m_up)
        m_up->SetEraseHandler(painter);
}

void CComputerSrcPage::OnFirstShow()
{
    const CNameSpaceItem videos = CShellFolder::FromPath(CShell::GetVideosFolder());
    m_list->FillFromFolder(&videos.GetList());
    m_folders->SetFolder(&videos.GetList());
}

void CComputerSrcPage::OnUp()
{
    m_list->GoUp();
}

void CComputerSrcPage::OnDocumentEvent(int code, CTranscodeTask*)
{
    RelistOnDocumentEvent(code, m_folders, m_list);
}

void CComputerSrcPage::GetTransferFiles(QStringList* files)
{
    if (m_list)
        m_list->GetCheckedFiles(files);
}

void CComputerSrcPage::UncheckAll()
{
    if (m_list)
        m_list->UncheckAll();
}

} // namespace vidlume
