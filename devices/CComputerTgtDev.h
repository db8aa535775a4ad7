#pragma once
// A folder on the computer, as a target, in one of five formats that the user picks on the page.
// The files go into the folder the page shows.

#include "devices/CTargetDevice.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace vidlume {

class CTargetHandler;

constexpr Guid DEVICE_ComputerTarget = MakeGuid("5DDE9C23-5AA0-4EC4-85B6-3B63DBD51B46");

class CComputerTgtDev final : public CTargetDevice {
public:
    explicit CComputerTgtDev(CQuillmoorDoc* document);
    ~CComputerTgtDev() override;

    HRESULT AddTargetPart(CSourceDevice* source, CTranscodeTask* task) override;
    HRESULT FinishGraph(CSourceDevice* source, CTranscodeTask* task) override;

    void GetFormatNames(QStringList* names) const;
    // MPEG-4, Windows Media, Wave, MPEG-4 audio, MP3.
    int GetFormatCount() const { return int(m_formats.size()); }
    CTargetHandler* GetFormat(int index) const { return m_formats[size_t(index)].get(); }
    CTargetHandler* GetCurrentFormat() const { return m_currentFormat; }
    void SetCurrentFormat(CTargetHandler* handler) { m_currentFormat = handler; }

private:
    std::vector<std::unique_ptr<CTargetHandler>> m_formats;
    CTargetHandler* m_currentFormat = nullptr;
};

} // namespace vidlume
