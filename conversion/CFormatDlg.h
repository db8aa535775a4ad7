#pragma once
// "Format Settings": edits the current settings of one format handler within the values the
// handler offers - base profile, codecs, picture size, frame rate, video bit rate, sample rate and
// audio bit rate. Only the handler's settings in memory change; nothing is stored.
//
// Picking a base profile selects it in the handler at once and reloads the value boxes from it,
// so Cancel keeps that profile (but none of the other edits). OK writes every box that has a
// selection into the current settings.

#include "platform/com/Guid.h"
#include "ui/CBaseDialog.h"

#include <QList>
#include <QSize>

#include <vector>

class QComboBox;
class QLabel;
class QSpinBox;

namespace vidlume {

class CTargetHandler;

class CFormatDlg : public CBaseDialog {
    Q_OBJECT
public:
    // The handler is not owned and must outlive the dialog.
    explicit CFormatDlg(CTargetHandler* handler, QWidget* parent = nullptr);

    // The texts the boxes show for a value; a 0 value reads as "Source".
    static QString ResolutionText(const QSize& size);
    static QString FrameRateText(int code);
    static QString NumberText(int value);

    // Writes the boxes into the handler's current settings, then closes.
    void accept() override;

private:
    void FillCodecs();
    void FillValues();
    void SelectCodecs();
    void OnProfileChanged(int index);

    CTargetHandler* m_handler;

    QComboBox* m_profile;
    QComboBox* m_videoCodec;
    QComboBox* m_resolution;
    QComboBox* m_frameRate;
    // The edit and its up-down buttons are one widget here; it answers to id 1062 and stands for 1071 too.
    QSpinBox* m_videoBitrate;
    QComboBox* m_audioCodec;
    QComboBox* m_sampleRate;
    QComboBox* m_audioBitrate;

    // What the boxes' entries stand for, entry by entry.
    std::vector<CLSID> m_videoCodecs;
    std::vector<CLSID> m_audioCodecs;
    QList<QSize> m_resolutions;
    QList<int> m_frameRates;
    QList<int> m_sampleRates;
    QList<int> m_audioBitrates;
};

} // namespace vidlume
