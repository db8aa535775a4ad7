#include "CFormatDlg.h"

#include "conversion/CTargetHandler.h"
#include "res/CStringTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vidlume {

namespace {
    constexpr unsigned IDD_FORMAT = 363;
    constexpr unsigned IDS_SOURCE = 129;

    // Positions of the dialog's texts that belong to no control of their own.
    enum Label {
        kBaseProfile,
        kVideoCodec,
        kVideoGroup,
        kResolution,
        kFrameRate,
        kFramesPerSecond,
        kVideoBitrate,
        kVideoKbps,
        kAudioCodec,
        kAudioGroup,
        kSampleRate,
        kSamplesPerSecond,
        kAudioBitrate,
        kAudioKbps,
    };

    QString LabelText(Label label)
    {
        return CStringTable::DialogLabel(IDD_FORMAT, label);
    }

    template <class Control>
    Control* NewControl(int id)
    {
        auto* control = new Control;
        control->setObjectName(QString::number(id));
        return control;
    }

    QLabel* NewLabel(Label label, QWidget* buddy = nullptr)
    {
        auto* text = new QLabel(LabelText(label));
        if (buddy)
            text->setBuddy(buddy);
        return text;
    }

    // A row of label, control and (optionally) the unit after it; without a unit the control
    // takes the unit's column as well.
    void AddRow(QGridLayout* grid, Label label, QWidget* control, int unit = -1)
    {
        const int row = grid->rowCount();
        grid->addWidget(NewLabel(label, control), row, 0);
        if (unit < 0) {
            grid->addWidget(control, row, 1, 1, 2);
        } else {
            grid->addWidget(control, row, 1);
            grid->addWidget(NewLabel(Label(unit)), row, 2);
        }
    }

    // Selects the first entry that begins with the text, as a list box's select-string does;
    // none when no entry does. The value lists put a shorter value before the longer ones that
    // begin with it, so this lands on the value itself.
    void SelectText(QComboBox* box, const QString& text)
    {
        box->setCurrentIndex(box->findText(text, Qt::MatchStartsWith));
    }

    // The index of the box's selection when it lies within the list the box was filled from.
    template <class List>
    bool Selection(const QComboBox* box, const List& list, int* index)
    {
        *index = box->currentIndex();
        return *index >= 0 && *index < int(list.size()) && *index < box->count();
    }
} // namespace

QString CFormatDlg::ResolutionText(const QSize& size)
{
    if (size.width() == 0 && size.height() == 0)
        return CStringTable::Text(IDS_SOURCE);
    return QString::asprintf("%d x %d", size.width(), size.height());
}

QString CFormatDlg::FrameRateText(int code)
{
    if (code == 0)
        return CStringTable::Text(IDS_SOURCE);
    // The sign only marks the 1000/1001 rates (-2997 for 30000/1001); the text shows the magnitude.
    return QString::asprintf("%.2f", std::fabs(double(code)) / 100.0);
}

QString CFormatDlg::NumberText(int value)
{
    if (value == 0)
        return CStringTable::Text(IDS_SOURCE);
    return QString::asprintf("%d", value);
}

CFormatDlg::CFormatDlg(CTargetHandler* handler, QWidget* parent) : CBaseDialog(parent), m_handler(handler)
{
    setWindowTitle(CStringTable::DialogText(IDD_FORMAT, 0));

    m_profile = NewControl<QComboBox>(1018);
    m_videoCodec = NewControl<QComboBox>(1061);
    m_resolution = NewControl<QComboBox>(1063);
    m_frameRate = NewControl<QComboBox>(1060);
    m_videoBitrate = NewControl<QSpinBox>(1062);
    m_audioCodec = NewControl<QComboBox>(1064);
    m_sampleRate = NewControl<QComboBox>(1069);
    m_audioBitrate = NewControl<QComboBox>(1067);

    // A typed rate outside the handler's range becomes the nearest bound instead of the
    // previous value, so what the user typed is kept as far as it can be.
    m_videoBitrate->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    m_videoBitrate->setAccelerated(true);
    m_videoBitrate->setAlignment(Qt::AlignRight);
    for (QComboBox* box : { m_resolution, m_frameRate, m_sampleRate, m_audioBitrate })
        box->setMinimumContentsLength(11);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* profileRow = new QHBoxLayout;
    profileRow->addWidget(NewLabel(kBaseProfile, m_profile));
    profileRow->addWidget(m_profile, 1);
    layout->addLayout(profileRow);

    auto* videoGroup = new QGroupBox(LabelText(kVideoGroup));
    auto* videoGrid = new QGridLayout(videoGroup);
    AddRow(videoGrid, kVideoCodec, m_videoCodec);
    AddRow(videoGrid, kResolution, m_resolution);
    AddRow(videoGrid, kFrameRate, m_frameRate, kFramesPerSecond);
    AddRow(videoGrid, kVideoBitrate, m_videoBitrate, kVideoKbps);
    videoGrid->setColumnStretch(1, 1);
    layout->addWidget(videoGroup);

    auto* audioGroup = new QGroupBox(LabelText(kAudioGroup));
    auto* audioGrid = new QGridLayout(audioGroup);
    AddRow(audioGrid, kAudioCodec, m_audioCodec);
    AddRow(audioGrid, kSampleRate, m_sampleRate, kSamplesPerSecond);
    AddRow(audioGrid, kAudioBitrate, m_audioBitrate, kAudioKbps);
    audioGrid->setColumnStretch(1, 1);
    layout->addWidget(audioGroup);

    // Both groups' label columns as wide as the wider one, so the boxes line up.
    int widest = 0;
    for (QGridLayout* grid : { videoGrid, audioGrid })
        for (int row = 0; row < grid->rowCount(); ++row)
            if (QLayoutItem* item = grid->itemAtPosition(row, 0))
                widest = std::max(widest, item->widget()->sizeHint().width());
    videoGrid->setColumnMinimumWidth(0, widest);
    audioGrid->setColumnMinimumWidth(0, widest);

    auto* ok = NewControl<QPushButton>(1);
    ok->setText(CStringTable::DialogText(IDD_FORMAT, 1));
    ok->setDefault(true);
    auto* cancel = NewControl<QPushButton>(2);
    cancel->setText(CStringTable::DialogText(IDD_FORMAT, 2));
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CFormatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFormatDlg::reject);
    layout->addWidget(buttons);

    for (int i = 0; i < m_handler->GetProfileCount(); ++i)
        m_profile->addItem(m_handler->GetProfile(i).m_name);
    m_profile->setCurrentIndex(m_handler->GetCurrentProfileIndex());
    FillCodecs();
    FillValues();
    // Connected only now: filling the box must not select a profile in the handler.
    connect(m_profile, &QComboBox::currentIndexChanged, this, &CFormatDlg::OnProfileChanged);
}

void CFormatDlg::FillCodecs()
{
    QString name;
    CLSID clsid;
    for (int i = 0; i < m_handler->GetAudioCodecCount(); ++i) {
        name.clear();
        clsid = {};
        m_handler->GetAudioCodec(i, &name, &clsid);
        m_audioCodec->addItem(name);
        m_audioCodecs.push_back(clsid);
    }
    m_audioCodec->setEnabled(m_audioCodecs.size() > 1);
    for (int i = 0; i < m_handler->GetVideoCodecCount(); ++i) {
        name.clear();
        clsid = {};
        m_handler->GetVideoCodec(i, &name, &clsid);
        m_videoCodec->addItem(name);
        m_videoCodecs.push_back(clsid);
    }
    m_videoCodec->setEnabled(m_videoCodecs.size() > 1);
}

void CFormatDlg::SelectCodecs()
{
    auto select = [](QComboBox* box, const std::vector<CLSID>& codecs, const CLSID& current) {
        int index = -1;
        for (size_t i = 0; i < codecs.size(); ++i)
            if (codecs[i] == current) {
                index = int(i);
                break;
            }
        box->setCurrentIndex(index);
    };
    select(m_videoCodec, m_videoCodecs, m_handler->m_video.codec);
    select(m_audioCodec, m_audioCodecs, m_handler->m_audio.codec);
}

void CFormatDlg::FillValues()
{
    SelectCodecs();
    const CVideoSettings& video = m_handler->m_video;
    const CAudioSettings& audio = m_handler->m_audio;
    const bool hasVideo = m_handler->GetVideoCodecCount() > 0;

    m_resolution->clear();
    m_resolutions.clear();
    m_handler->GetResolutions(&m_resolutions);
    for (const QSize& size : std::as_const(m_resolutions))
        m_resolution->addItem(ResolutionText(size));
    m_resolution->setEnabled(m_resolutions.size() > 1 && hasVideo);
    SelectText(m_resolution, ResolutionText(QSize(video.width, video.height)));

    int minimum = 0, maximum = 0;
    m_handler->GetVideoBitrateRange(&minimum, &maximum);
    m_videoBitrate->setRange(minimum, maximum);
    m_videoBitrate->setEnabled(maximum > 0 && hasVideo);
    m_videoBitrate->setValue(video.bitRate);

    m_frameRate->clear();
    m_frameRates.clear();
    m_handler->GetFrameRates(&m_frameRates);
    for (int code : std::as_const(m_frameRates))
        m_frameRate->addItem(FrameRateText(code));
    m_frameRate->setEnabled(m_frameRates.size() > 1 && hasVideo);
    SelectText(m_frameRate, FrameRateText(video.frameRate));

    m_sampleRate->clear();
    m_sampleRates.clear();
    m_handler->GetSampleRates(&m_sampleRates);
    for (int rate : std::as_const(m_sampleRates))
        m_sampleRate->addItem(NumberText(rate));
    m_sampleRate->setEnabled(m_sampleRates.size() > 1);
    SelectText(m_sampleRate, NumberText(audio.sampleRate));

    m_audioBitrate->clear();
    m_audioBitrates.clear();
    m_handler->GetAudioBitrates(&m_audioBitrates);
    for (int rate : std::as_const(m_audioBitrates))
        m_audioBitrate->addItem(NumberText(rate));
    m_audioBitrate->setEnabled(m_audioBitrates.size() > 1);
    SelectText(m_audioBitrate, NumberText(audio.bitRate));
}

void CFormatDlg::OnProfileChanged(int index)
{
    if (index < 0)
        return;
    m_handler->SelectProfile(index);
    FillValues();
}

void CFormatDlg::accept()
{
    // Text still being typed (OK pressed with Enter) counts as the position.
    m_videoBitrate->interpretText();

    CVideoSettings& video = m_handler->m_video;
    CAudioSettings& audio = m_handler->m_audio;
    int index;
    if (Selection(m_resolution, m_resolutions, &index)) {
        const QSize size = m_resolutions[index];
        video.width = size.width();
        video.height = size.height();
        // "Source" keeps the resize mode: the resizer reads 0 x 0 as the source's size.
        if (size.width() > 0)
            video.resizeMode = 1;
    }
    if (Selection(m_audioBitrate, m_audioBitrates, &index))
        audio.bitRate = m_audioBitrates[index];
    if (Selection(m_sampleRate, m_sampleRates, &index))
        audio.sampleRate = m_sampleRates[index];
    if (Selection(m_frameRate, m_frameRates, &index))
        video.frameRate = m_frameRates[index];
    QString name;
    if (Selection(m_videoCodec, m_videoCodecs, &index))
        m_handler->GetVideoCodec(index, &name, &video.codec);
    if (Selection(m_audioCodec, m_audioCodecs, &index))
        m_handler->GetAudioCodec(index, &name, &audio.codec);
    // A format without video keeps its 0: the box cannot show a value below its minimum.
    if (m_videoBitrate->isEnabled())
        video.bitRate = m_videoBitrate->value();
    CBaseDialog::accept();
}

} // namespace vidlume
