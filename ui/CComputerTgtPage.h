#pragma once
// The computer target's page: the folder converted files go to (browsed like the source page's,
// its list showing what the folder holds), the file format and the format's profile, and the
// format settings. Until the page has been shown, the folder is the user's videos folder.

#include "ui/CDevicePage.h"

#include <QString>

class QComboBox;
class QPushButton;

namespace vidlume {

class CComputerTgtDev;
class CExStatic;
class CFlatButton;
class CFolderCombo;
class CMediaListCtrl;

class CComputerTgtPage : public CDevicePage {
    Q_OBJECT
public:
    explicit CComputerTgtPage(CBaseDevice* device);

    int GetTemplateID() const override { return 109; }
    void SetEraseHandler(CEraseHandler* painter) override;
    void OnFirstShow() override;
    void OnDocumentEvent(int code, CTranscodeTask* task) override;

    // The folder the list shows (empty for a place that is not a folder of the file system);
    // the videos folder, created when missing, while the list has shown nothing.
    QString GetFolderPath() const;
    // Shows the folder (the command line and tests name it directly).
    void SetFolderPath(const QString& folder);

    CMediaListCtrl* GetMediaList() const { return m_list; }
    CFolderCombo* GetFolderCombo() const { return m_folders; }
    QComboBox* GetFormatBox() const { return m_formatBox; }
    QComboBox* GetProfileBox() const { return m_profileBox; }

protected:
    void OnInitDialog() override;

private:
    CComputerTgtDev* GetTargetDevice() const;
    void FillProfiles();
    void OnFormatChanged(int index);
    void OnProfileChanged(int index);
    void OnSettings();

    QString m_folder;
    CFolderCombo* m_folders = nullptr;
    CMediaListCtrl* m_list = nullptr;
    QComboBox* m_formatBox = nullptr;
    QComboBox* m_profileBox = nullptr;
    CExStatic* m_labels[4] = {};
    CFlatButton* m_up = nullptr;
    QPushButton* m_settings = nullptr;
};

} // namespace vidlume
