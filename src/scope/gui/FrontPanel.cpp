#include "scope/gui/FrontPanel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace tarvik {

namespace {

QPushButton* toggle(const QString& caption, QWidget* parent, int minWidth = 44) {
    auto* b = new QPushButton(caption, parent);
    b->setCheckable(true);
    b->setMinimumWidth(minWidth);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

QSlider* verticalSlider(int minimum, int maximum, QWidget* parent) {
    auto* s = new QSlider(Qt::Vertical, parent);
    s->setRange(minimum, maximum);
    s->setInvertedAppearance(true); // the smallest value at the top
    s->setInvertedControls(true);
    s->setMinimumHeight(110);
    return s;
}

void check(QButtonGroup* group, int id) {
    if (QAbstractButton* b = group->button(id)) {
        const QSignalBlocker block(group);
        b->setChecked(true);
    }
}

const char* const kChannelColour[2] = {"#dc0000", "#008000"};

} // namespace

FrontPanel::FrontPanel(ScopeController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildAcquisition());
    auto* channels = new QHBoxLayout;
    channels->addWidget(buildChannel(0));
    channels->addWidget(buildChannel(1));
    layout->addLayout(channels);
    layout->addWidget(buildTimebase());
    layout->addWidget(buildFrequencyRange());
    buildTrigger(); // placed by the window, near the screen
    layout->addStretch(1);

    connect(&m_controller, &ScopeController::acquisitionChanged, this, &FrontPanel::syncAcquisition);
    connect(&m_controller, &ScopeController::channelChanged, this, [this](int ch) {
        syncChannel(ch);
        syncTrigger();
    });
    connect(&m_controller, &ScopeController::timebaseChanged, this, &FrontPanel::syncTimebase);
    connect(&m_controller, &ScopeController::triggerChanged, this, &FrontPanel::syncTrigger);
    connect(&m_controller, &ScopeController::modeChanged, this, &FrontPanel::syncTimebase);
    syncAcquisition();
    syncChannel(0);
    syncChannel(1);
    syncTimebase();
    syncTrigger();
}

QWidget* FrontPanel::buildAcquisition() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    m_run = toggle(QStringLiteral("Run"), box, 90);
    m_single = toggle(QStringLiteral("Single"), box, 90);
    m_run->setObjectName(QStringLiteral("runButton"));
    m_single->setObjectName(QStringLiteral("singleButton"));
    for (QPushButton* b : {m_run, m_single}) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
        b->setMinimumHeight(30);
        row->addWidget(b);
    }
    connect(m_run, &QPushButton::clicked, &m_controller, &ScopeController::SpeedButtonRunClick);
    connect(m_single, &QPushButton::clicked, &m_controller, &ScopeController::SpeedButtonSingleClick);
    return box;
}

QWidget* FrontPanel::buildChannel(int channel) {
    auto* box = new QGroupBox(QStringLiteral("CH%1").arg(channel + 1), this);
    box->setStyleSheet(
        QStringLiteral("QGroupBox { font-weight: bold; color: %1; }").arg(kChannelColour[channel]));
    auto* grid = new QGridLayout(box);
    grid->setSpacing(2);
    ChannelControls& c = m_channels[channel];
    c.ranges = new QButtonGroup(box);
    for (int i = 0; i < kRanges; ++i) {
        auto* b = toggle(QString::fromLatin1(rangeTable()[i].caption), box);
        c.ranges->addButton(b, i);
        grid->addWidget(b, i / 3, i % 3);
    }
    c.coupling = new QButtonGroup(box);
    const std::pair<const char*, Coupling> couplings[] = {
        {"AC", Coupling::AC}, {"DC", Coupling::DC}, {"GND", Coupling::GND}};
    for (auto [caption, coupling] : couplings) {
        auto* b = toggle(QString::fromLatin1(caption), box);
        c.coupling->addButton(b, static_cast<int>(coupling));
        if (coupling == Coupling::GND)
            b->setVisible(false); // ground coupling comes from the remote control and recalled settings
        else
            grid->addWidget(b, 2, static_cast<int>(coupling));
    }
    c.on = toggle(QStringLiteral("On"), box);
    grid->addWidget(c.on, 2, 2);
    c.position = verticalSlider(-128, 127, box);
    c.position->setToolTip(QStringLiteral("Position"));
    grid->addWidget(c.position, 0, 3, 3, 1);

    connect(c.ranges, &QButtonGroup::idClicked, this,
            [this, channel](int i) { m_controller.selectRange(channel, i); });
    connect(c.coupling, &QButtonGroup::idClicked, this,
            [this, channel](int id) { m_controller.setCoupling(channel, static_cast<Coupling>(id)); });
    connect(c.on, &QPushButton::clicked, this,
            [this, channel](bool on) { m_controller.setChannelOn(channel, on); });
    connect(c.position, &QSlider::valueChanged, this,
            [this, channel](int v) { m_controller.setPosition(channel, v); });
    return box;
}

QWidget* FrontPanel::buildTimebase() {
    auto* box = new QGroupBox(QStringLiteral("Time/div"), this);
    m_timebaseBox = box;
    auto* grid = new QGridLayout(box);
    grid->setSpacing(2);
    m_timebase = new QButtonGroup(box);
    int visible = 0;
    for (int row = 0; row < kTimebaseRows; ++row) {
        const TimebaseRow& r = timebaseTable()[row];
        if (r.spectrumOnly) continue;
        auto* b = toggle(QString::fromLatin1(r.caption), box);
        m_timebase->addButton(b, row);
        if (r.visible) {
            grid->addWidget(b, visible / 4, visible % 4);
            ++visible;
        } else {
            b->setVisible(false); // the interpolated steps are reached from the keyboard and remote control
        }
    }
    connect(m_timebase, &QButtonGroup::idClicked, &m_controller,
            qOverload<int>(&ScopeController::selectTimebase));
    return box;
}

QWidget* FrontPanel::buildFrequencyRange() {
    auto* box = new QGroupBox(QStringLiteral("Freq. Range"), this);
    m_frequencyBox = box;
    auto* grid = new QGridLayout(box);
    grid->setSpacing(2);
    m_frequency = new QButtonGroup(box);
    // The spans beyond these exist for recalled settings but have no button on the panel.
    static constexpr std::string_view kShown[] = {"125Hz",   "250Hz",   "625Hz", "1.25kHz", "2.5kHz",
                                                  "6.25kHz", "12.5kHz", "25kHz", "62.5kHz", "125kHz"};
    int visible = 0;
    for (int row = 0; row < kTimebaseRows; ++row) {
        const TimebaseRow& r = timebaseTable()[row];
        if (r.spectrumCaption.empty()) continue;
        auto* b =
            toggle(QString::fromLatin1(r.spectrumCaption.data(), int(r.spectrumCaption.size())), box, 60);
        m_frequency->addButton(b, row);
        if (std::find(std::begin(kShown), std::end(kShown), r.spectrumCaption) != std::end(kShown)) {
            grid->addWidget(b, visible / 4, visible % 4);
            ++visible;
        } else {
            b->setVisible(false);
        }
    }
    box->hide();
    connect(m_frequency, &QButtonGroup::idClicked, &m_controller,
            qOverload<int>(&ScopeController::selectTimebase));
    return box;
}

QWidget* FrontPanel::buildTrigger() {
    auto* box = new QGroupBox(QStringLiteral("Trigger"), this);
    box->setObjectName(QStringLiteral("triggerPanel"));
    box->setAutoFillBackground(true);
    m_triggerPanel = box;
    auto* layout = new QHBoxLayout(box);
    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    m_trigOn = toggle(QStringLiteral("On"), box);
    m_trigOff = toggle(QStringLiteral("Off"), box);
    auto* mode = new QButtonGroup(box);
    mode->addButton(m_trigOn);
    mode->addButton(m_trigOff);
    grid->addWidget(m_trigOn, 0, 0);
    grid->addWidget(m_trigOff, 0, 1);
    grid->setColumnMinimumWidth(2, 12);
    m_source = new QButtonGroup(box);
    const std::pair<const char*, int> sources[] = {
        {"Ch1", trig::SourceCh1}, {"Ch2", trig::SourceCh2}, {"Ext", trig::SourceExt}};
    int column = 0;
    for (auto [caption, id] : sources) {
        auto* b = toggle(QString::fromLatin1(caption), box);
        m_source->addButton(b, id);
        if (id == trig::SourceExt)
            b->setVisible(false);
        else
            grid->addWidget(b, 0, 3 + column++);
    }
    m_edge = new QButtonGroup(box);
    auto* up = toggle(QStringLiteral("Up"), box);
    auto* down = toggle(QStringLiteral("Dn"), box);
    m_edge->addButton(up, 1);
    m_edge->addButton(down, 0);
    grid->addWidget(up, 1, 0);
    grid->addWidget(down, 1, 1);
    auto* findButton = new QPushButton(QStringLiteral("Find"), box);
    findButton->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(findButton, 1, 3, 1, 2);
    layout->addLayout(grid);
    auto* levelColumn = new QHBoxLayout;
    m_level = verticalSlider(0, 255, box);
    m_level->setMinimumHeight(70);
    m_level->setToolTip(QStringLiteral("Trigger level"));
    m_levelText = new QLabel(QStringLiteral("0.00V"), box);
    m_levelText->setObjectName(QStringLiteral("levelDisplay"));
    m_levelText->setFrameShape(QFrame::Panel);
    m_levelText->setFrameShadow(QFrame::Sunken);
    m_levelText->setAlignment(Qt::AlignCenter);
    m_levelText->setMinimumWidth(80);
    levelColumn->addSpacing(12);
    levelColumn->addWidget(m_level);
    levelColumn->addWidget(m_levelText, 0, Qt::AlignVCenter);
    layout->addLayout(levelColumn);
    layout->addStretch(1);

    connect(m_trigOn, &QPushButton::clicked, this, [this] { m_controller.setTriggerOn(true); });
    connect(m_trigOff, &QPushButton::clicked, this, [this] { m_controller.setTriggerOn(false); });
    connect(m_source, &QButtonGroup::idClicked, this,
            [this](int id) { m_controller.setTriggerSource(static_cast<std::uint8_t>(id)); });
    connect(m_edge, &QButtonGroup::idClicked, this, [this](int id) { m_controller.setTriggerEdge(id == 1); });
    connect(findButton, &QPushButton::clicked, &m_controller, &ScopeController::find);
    connect(m_level, &QSlider::valueChanged, &m_controller, &ScopeController::setTriggerLevel);
    return box;
}

void FrontPanel::syncAcquisition() {
    const AcquisitionState& acq = m_controller.state().acq;
    const QSignalBlocker b1(m_run), b2(m_single);
    m_run->setChecked(acq.runDown);
    m_single->setChecked(acq.singleDown);
    m_single->setEnabled(acq.singleEnabled);
}

void FrontPanel::syncChannel(int channel) {
    const ChannelState& s = m_controller.state().channel[channel];
    ChannelControls& c = m_channels[channel];
    check(c.ranges, s.range);
    check(c.coupling, static_cast<int>(s.coupling));
    const QSignalBlocker b1(c.on), b2(c.position);
    c.on->setChecked(s.on);
    c.position->setValue(s.position);
}

void FrontPanel::syncTimebase() {
    const ScopeState& s = m_controller.state();
    check(m_timebase, s.timebase.row);
    check(m_frequency, s.timebase.row);
    m_timebaseBox->setVisible(!s.spectrumOn);
    m_frequencyBox->setVisible(s.spectrumOn);
}

void FrontPanel::syncTrigger() {
    const TriggerState& t = m_controller.state().trigger;
    {
        const QSignalBlocker b1(m_trigOn), b2(m_trigOff), b3(m_level);
        m_trigOn->setChecked(t.on);
        m_trigOff->setChecked(!t.on);
        m_trigOff->setEnabled(t.offEnabled);
        m_level->setValue(t.level);
    }
    check(m_source, t.source);
    check(m_edge, t.rising ? 1 : 0);
    // The panel is tinted while the trigger is on.
    QPalette palette = m_triggerPanel->parentWidget()->palette();
    if (t.on) palette.setColor(QPalette::Window, QColor(176, 176, 192));
    m_triggerPanel->setPalette(palette);
    m_levelText->setEnabled(t.on);
    m_levelText->setText(triggerLevelText(m_controller.state()));
}

} // namespace tarvik
