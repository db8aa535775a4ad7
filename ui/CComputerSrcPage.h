#pragma once
// The computer source's page: a folder of the computer, browsed with the folder box, the up
// button and the media list; the user marks the video and audio files to transfer.

#include "ui/CDevicePage.h"

namespace vidlume {

class CExStatic;
class CFlatButton;
class CFolderCombo;
class CMediaListCtrl;

class CComputerSrcPage : public CDevicePage {
    Q_OBJECT
public:
    explicit CComputerSrcPage(CBaseDevice* device);

    int GetTemplateID() const override { return 110; }
    void SetEraseHandler(CEraseHandler* painter) override;
    void OnFirstShow() override;
    void OnDocumentEvent(int code, CTranscodeTask* task) override;
    void GetTransferFiles(QStringList* files) override;
    void UncheckAll() override;

    CMediaListCtrl* GetMediaList() const { return m_list; }
    CFolderCombo* GetFolderCombo() const { return m_folders; }

protected:
    void OnInitDialog() override;

private:
    void OnListNotify(int code);
    void OnUp();

    CFolderCombo* m_folders = nullptr;
    CMediaListCtrl* m_list = nullptr;
    CExStatic* m_label = nullptr;
    CFlatButton* m_up = nullptr;
};

// What both computer pages do when their list or folder box reports, or the document speaks.
void ConnectFolderBrowsing(CDevicePage* page, CFolderCombo* folders, CMediaListCtrl* list);
void RelistOnDocumentEvent(int code, CFolderCombo* folders, CMediaListCtrl* list);

} // namespace vidlume
