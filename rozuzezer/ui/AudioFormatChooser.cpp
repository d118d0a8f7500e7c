#include "rozuzezer/ui/AudioFormatChooser.h"

#include "platform/ui/Twips.h"

#include <algorithm>

namespace rozuzezer::ui {

using namespace platform::ui;
using helpers::cAudioFormat;

namespace {

AudioFormatChooserHook& Hook() {
    static AudioFormatChooserHook h;
    return h;
}

const int kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
const int kBitRates[] = {32, 48, 64, 96, 112, 128, 160, 192, 224, 256, 320};
const int kBits[] = {8, 16, 24};

// IMA ADPCM blocks as the usual encoders write them: 256 bytes per channel at 11 kHz, more
// for higher rates.
void SetIma(cAudioFormat& f, std::uint32_t rate, std::uint16_t channels) {
    const std::uint16_t align = static_cast<std::uint16_t>(256 * channels * std::max<std::uint32_t>(1, rate / 11025));
    const std::uint32_t samplesPerBlock = (align - 4u * channels) * 8u / (4u * channels) + 1u;
    f.SetFormatTag(cAudioFormat::kTagIMAADPCM);
    f.SetSamplesPerSec(rate);
    f.SetChannels(channels);
    f.SetBitsPerSample(4);
    f.SetBlockAlign(align);
    f.SetAvgBytesPerSec(static_cast<std::uint32_t>(static_cast<std::uint64_t>(rate) * align / samplesPerBlock));
}

} // namespace

AudioFormatChooserHook SetAudioFormatChooser(AudioFormatChooserHook hook) {
    AudioFormatChooserHook old = std::move(Hook());
    Hook() = std::move(hook);
    return old;
}

bool ChooseAudioFormat(cAudioFormat& format, std::int32_t family, std::int32_t options, QWidget* owner) {
    if (Hook()) return Hook()(format, family, options);
    frmAudioFormatChooser chooser(format, family);
    chooser.Show(Modal, owner);
    const bool chosen = !chooser.Cancelled;
    if (chosen) format.CopyFrom(*chooser.Chosen());
    chooser.Unload();
    return chosen;
}

frmAudioFormatChooser::frmAudioFormatChooser(cAudioFormat& format, std::int32_t family, QWidget* owner)
    : Form("frmAudioFormatChooser", owner), format_(format), family_(family) {
    if (family_ != cAudioFormat::afWave && family_ != cAudioFormat::afMPEG3 && family_ != cAudioFormat::afOggVorbis &&
        family_ != cAudioFormat::afWindowsMedia && family_ != cAudioFormat::afMPEG2)
        family_ = cAudioFormat::afWave;
    SetCaption("Choose " + cAudioFormat::FamilyName(family_) + " Format");
    setWindowFlag(Qt::WindowMinMaxButtonsHint, false);
    QWidget* c = Client();
    auto row = [&](const std::string& name, const std::string& caption, double top) {
        auto* l = new Label(c, name, caption);
        Move(l, 120, top + 45, 1500, 285);
        return l;
    };
    row("lblEncoding", "Format:", 120);
    comboEncoding = new ComboBox(c, "comboEncoding");
    Move(comboEncoding, 1680, 120, 3600, 315);
    row("lblRate", "Sample rate:", 540);
    comboRate = new ComboBox(c, "comboRate");
    Move(comboRate, 1680, 540, 3600, 315);
    row("lblChannels", "Channels:", 960);
    comboChannels = new ComboBox(c, "comboChannels");
    Move(comboChannels, 1680, 960, 3600, 315);
    lblQuality = row("lblQuality", family_ == cAudioFormat::afWave ? "Bits:" : "Bit rate:", 1380);
    comboQuality = new ComboBox(c, "comboQuality");
    Move(comboQuality, 1680, 1380, 3600, 315);
    lblDescription = new Label(c, "lblDescription");
    lblDescription->setStyleSheet(QStringLiteral("color: palette(mid);"));
    Move(lblDescription, 120, 1860, 5160, 285);
    cmdOK = new CommandButton(c, "cmdOK", "OK");
    cmdOK->SetDefault(true);
    Move(cmdOK, 2700, 2280, 1215, 375);
    cmdCancel = new CommandButton(c, "cmdCancel", "Cancel");
    cmdCancel->SetCancel(true);
    Move(cmdCancel, 4065, 2280, 1215, 375);
    connect(cmdOK, &CommandButton::Click, this, &frmAudioFormatChooser::cmdOK_Click);
    connect(cmdCancel, &CommandButton::Click, this, [this] { Cancelled = true; Hide(); });

    if (family_ == cAudioFormat::afWave) {
        comboEncoding->AddItem("PCM");
        comboEncoding->AddItem("IMA ADPCM");
        comboEncoding->SetListIndex(format_.FormatTag() == cAudioFormat::kTagIMAADPCM ? 1 : 0);
    } else {
        comboEncoding->AddItem(cAudioFormat::FamilyName(family_));
        comboEncoding->SetListIndex(0);
        comboEncoding->setEnabled(false);
    }
    for (int r : kRates) {
        comboRate->AddItem(std::to_string(r) + " Hz");
        comboRate->SetItemData(comboRate->NewIndex(), r);
        if (static_cast<std::uint32_t>(r) == format_.SamplesPerSec()) comboRate->SetListIndex(comboRate->NewIndex());
    }
    if (comboRate->ListIndex() < 0) comboRate->SetListIndex(5);
    comboChannels->AddItem("Mono");
    comboChannels->AddItem("Stereo");
    comboChannels->SetListIndex(format_.Channels() == 1 ? 0 : 1);
    FillQuality();
    connect(comboEncoding, &ComboBox::Click, this, [this] { FillQuality(); ShowDescription(); });
    for (ComboBox* b : {comboRate, comboChannels, comboQuality})
        connect(b, &ComboBox::Click, this, &frmAudioFormatChooser::ShowDescription);
    ShowDescription();
    resize(TwipsToPixelsX(5400), TwipsToPixelsY(2775));
}

void frmAudioFormatChooser::FillQuality() {
    comboQuality->Clear();
    if (family_ == cAudioFormat::afWave) {
        const bool ima = comboEncoding->ListIndex() == 1;
        if (ima) {
            comboQuality->AddItem("4 Bit");
            comboQuality->SetItemData(0, 4);
            comboQuality->SetListIndex(0);
        } else {
            for (int b : kBits) {
                comboQuality->AddItem(std::to_string(b) + " Bit");
                comboQuality->SetItemData(comboQuality->NewIndex(), b);
                if (b == format_.BitsPerSample()) comboQuality->SetListIndex(comboQuality->NewIndex());
            }
            if (comboQuality->ListIndex() < 0) comboQuality->SetListIndex(1);
        }
        return;
    }
    const std::uint32_t current = format_.BitRate() / 1000;
    for (int b : kBitRates) {
        comboQuality->AddItem(std::to_string(b) + " kBit/s");
        comboQuality->SetItemData(comboQuality->NewIndex(), b);
        if (static_cast<std::uint32_t>(b) == current) comboQuality->SetListIndex(comboQuality->NewIndex());
    }
    if (comboQuality->ListIndex() < 0) comboQuality->SetListIndex(5); // 128 kBit/s
}

helpers::AudioFormatRef frmAudioFormatChooser::Chosen() const {
    helpers::AudioFormatRef f = format_.Clone();
    const auto rate = static_cast<std::uint32_t>(comboRate->ItemData(std::max(0, comboRate->ListIndex())));
    const auto channels = static_cast<std::uint16_t>(comboChannels->ListIndex() == 0 ? 1 : 2);
    const long quality = comboQuality->ListIndex() >= 0 ? comboQuality->ItemData(comboQuality->ListIndex()) : 0;
    if (family_ == cAudioFormat::afWave) {
        f->SetFormatFamily(cAudioFormat::afWave);
        f->SetBitRate(0);
        if (comboEncoding->ListIndex() == 1) SetIma(*f, rate, channels);
        else f->SetPCM(rate, channels, static_cast<std::uint16_t>(quality));
    } else {
        f->SetFormatFamily(family_);
        f->SetSamplesPerSec(rate);
        f->SetChannels(channels);
        f->SetBitsPerSample(0);
        f->SetBlockAlign(1);
        f->SetBitRate(static_cast<std::uint32_t>(quality) * 1000u);
    }
    return f;
}

void frmAudioFormatChooser::ShowDescription() {
    if (!comboQuality || comboQuality->ListCount() == 0) return;
    lblDescription->SetCaption(Chosen()->Description());
}

void frmAudioFormatChooser::cmdOK_Click() {
    Cancelled = false;
    Hide();
}

} // namespace rozuzezer::ui
