#include "CSettings.h"

#include "QtText.h"
#include "app/UserPrompt.h"
#include "midi/DeviceTable.h"
#include "midi/MidiPortSystem.h"
#include "midi/MidiStandardNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <optional>

namespace velisto {

namespace {

QCheckBox* checkBox(const char* text, bool checked, QWidget* parent)
{
    auto* box = new QCheckBox(text, parent);
    box->setChecked(checked);
    return box;
}

QLineEdit* numberField(int value, QWidget* parent)
{
    auto* field = new QLineEdit(QString::number(value), parent);
    field->setMaximumWidth(field->fontMetrics().horizontalAdvance("-0000") + 16);
    return field;
}

QComboBox* noteCombo(int key, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    for (int k = 0; k < 128; ++k)
        combo->addItem(qtext(noteName(k)));
    combo->setCurrentIndex(std::clamp(key, 0, 127));
    return combo;
}

// The metronome's keys by their General MIDI drum sound where it has one.
QComboBox* drumCombo(int key, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    for (int k = 0; k < 128; ++k) {
        const std::string_view drum = drumName(0, k, 0);
        combo->addItem(qtext(noteName(k)) + (drum.empty() ? QString() : "  " + qtext(drum)));
    }
    combo->setCurrentIndex(std::clamp(key, 0, 127));
    return combo;
}

} // namespace

CSettings::CSettings(Settings& settings, SettingsInput input, const DeviceTable& devices, bool runExists,
                     UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), settings_(settings), input_(input), devices_(devices), runExists_(runExists), prompt_(prompt),
      values_(SettingsDialogValues::of(settings))
{
    setWindowTitle(qtext(kSettingsTitle));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* categoryLabel = new QLabel("&Category", this);
    category_ = new QComboBox(this);
    categoryLabel->setBuddy(category_);
    for (const SettingsPageInfo& info : settingsPages())
        category_->addItem(qtext(info.comboText), static_cast<int>(info.page));
    top->addWidget(categoryLabel);
    top->addWidget(category_, 1);
    layout->addLayout(top);

    pages_ = new QStackedWidget(this);
    for (const SettingsPageInfo& info : settingsPages()) {
        QWidget* content = nullptr;
        switch (info.page) {
        case SettingsPage::Play:
            content = buildPlayPage();
            break;
        case SettingsPage::Record:
            content = buildRecordPage();
            break;
        case SettingsPage::MidiLoad:
            content = buildMidiLoadPage();
            break;
        case SettingsPage::PianoRoll:
            content = buildPianoRollPage();
            break;
        case SettingsPage::Midi2Wav:
            content = buildMidi2WavPage();
            break;
        case SettingsPage::Karaoke:
            content = buildKaraokePage();
            break;
        }
        pageWidgets_[info.page] = page(content);
        pages_->addWidget(pageWidgets_[info.page]);
    }
    layout->addWidget(pages_, 1);
    connect(category_, &QComboBox::currentIndexChanged, pages_, &QStackedWidget::setCurrentIndex);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { applyAndClose(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    refreshEnabling();
    showPage(settingsPages().front().page);
}

// Each page on the dark background the program's windows share.
QWidget* CSettings::page(QWidget* content)
{
    content->setObjectName("settingsPage");
    content->setAutoFillBackground(true);
    QPalette palette = content->palette();
    palette.setColor(QPalette::Window, QColor(40, 40, 40));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    content->setPalette(palette);
    return content;
}

QWidget* CSettings::buildPlayPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    determine_ = checkBox("Adjust dirty controllers by correct values wherever MIDI sequence is started",
                          values_.general.determine, page);
    layout->addWidget(determine_);
    auto* delayRow = new QHBoxLayout;
    delayLabel_ = new QLabel("&Delay between each resulting MIDI event in ms", page);
    delay_ = numberField(values_.general.detsenddelay, page);
    delayLabel_->setBuddy(delay_);
    determine_->setObjectName("determine");
    delay_->setObjectName("detsenddelay");
    delayRow->addWidget(delayLabel_);
    delayRow->addWidget(delay_);
    delayRow->addStretch();
    layout->addLayout(delayRow);
    timingClock_ = checkBox("Send MIDI timing clock (F8) on play", values_.general.timingclock, page);
    layout->addWidget(timingClock_);
    layout->addStretch();
    connect(determine_, &QCheckBox::toggled, this, [this](bool on) {
        values_.general.determine = on;
        refreshEnabling();
    });
    return page;
}

QWidget* CSettings::buildRecordPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* metronomeRow = new QHBoxLayout;
    metronome_ = checkBox("&Metronom when recording", values_.metronom.yn, page);
    metronomeKey_ = drumCombo(values_.metronom.Instrument, page);
    metronomeRow->addWidget(metronome_);
    metronomeRow->addWidget(metronomeKey_, 1);
    layout->addLayout(metronomeRow);

    auto* inputRow = new QHBoxLayout;
    auto* inputLabel = new QLabel("MIDI &input device (keyboard)", page);
    inputPort_ = new QComboBox(page);
    inputLabel->setBuddy(inputPort_);
    inputPort_->setObjectName("inputport");
    const std::vector<std::string> ports = input_.ports.inputPortNames();
    for (const std::string& name : ports)
        inputPort_->addItem(QString::fromStdString(name));
    inputPort_->addItem("Pseudo if none installed");
    const int count = static_cast<int>(ports.size());
    inputPort_->setCurrentIndex(values_.inputPort >= 0 && values_.inputPort <= count ? values_.inputPort : count);
    inputRow->addWidget(inputLabel);
    inputRow->addWidget(inputPort_, 1);
    layout->addLayout(inputRow);
    midithru_ = checkBox("My MIDI &keyboard is switched to Local Off: echo what it plays to the output (MIDI thru)",
                         values_.general.midithru, page);
    layout->addWidget(midithru_);

    auto* group = new QGroupBox("Split MIDI input device (keyboard)", page);
    splitGroup_ = group;
    auto* grid = new QGridLayout(group);
    route_ = checkBox("&Route MIDI IN Note Ons beyond key", values_.general.routeyn, group);
    splitKey_ = noteCombo(values_.general.splitkey, group);
    splitChannel_ = new QComboBox(group);
    for (int channel = 1; channel <= 16; ++channel)
        splitChannel_->addItem(QString::number(channel));
    splitChannel_->setCurrentIndex(std::clamp(values_.general.splitchannel, 0, 15));
    grid->addWidget(route_, 0, 0);
    grid->addWidget(splitKey_, 0, 1);
    grid->addWidget(new QLabel("to channel", group), 0, 2);
    grid->addWidget(splitChannel_, 0, 3);
    shiftFront_ = checkBox("Shift area in &front of", values_.general.shiftfrontyn, group);
    shiftFrontOct_ = numberField(values_.general.shiftfrontoct, group);
    grid->addWidget(shiftFront_, 1, 0);
    grid->addWidget(new QLabel("Octaves +/-", group), 1, 1);
    grid->addWidget(shiftFrontOct_, 1, 2);
    shiftBeyond_ = checkBox("Shift area &beyond of", values_.general.shiftbeyondyn, group);
    shiftBeyondOct_ = numberField(values_.general.shiftbeyondoct, group);
    grid->addWidget(shiftBeyond_, 2, 0);
    grid->addWidget(new QLabel("Octaves +/-", group), 2, 1);
    grid->addWidget(shiftBeyondOct_, 2, 2);
    layout->addWidget(group);
    layout->addStretch();
    connect(metronome_, &QCheckBox::toggled, this, [this](bool on) {
        values_.metronom.yn = on;
        refreshEnabling();
    });
    connect(route_, &QCheckBox::toggled, this, [this](bool on) {
        values_.general.routeyn = on;
        refreshEnabling();
    });
    return page;
}

QWidget* CSettings::buildMidiLoadPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    knobRecords_ = checkBox("&Load last used controllers in knobs", values_.mixer.setknobswhileloadbyinternmeta, page);
    knobsByUsage_ = checkBox("&Autoselect most appearing controllers in knobs", values_.mixer.setauto, page);
    layout->addWidget(knobRecords_);
    layout->addWidget(knobsByUsage_);
    layout->addWidget(new QLabel("Map device names in MIDI files to installed MIDI output devices", page));
    auto* row = new QHBoxLayout;
    mapping_ = new QTableWidget(0, 2, page);
    mapping_->setHorizontalHeaderLabels({"Device name in MIDI files", "Windows MIDI output device"});
    mapping_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    mapping_->setColumnWidth(0, 200);
    mapping_->setColumnWidth(1, 200);
    mapping_->setSelectionBehavior(QAbstractItemView::SelectRows);
    mapping_->setSelectionMode(QAbstractItemView::SingleSelection);
    mapping_->setTabKeyNavigation(false);
    row->addWidget(mapping_, 1);
    auto* remove = new QPushButton("&Remove", page);
    row->addWidget(remove, 0, Qt::AlignTop);
    layout->addLayout(row);
    connect(remove, &QPushButton::clicked, this, [this] {
        if (values_.deviceNameMap.removeRow(mapping_->currentRow()))
            refreshMappingList();
    });
    connect(mapping_, &QTableWidget::cellChanged, this, [this](int changedRow, int column) {
        if (column != 0)
            return;
        const std::string name = mapping_->item(changedRow, 0)->text().toStdString();
        values_.deviceNameMap.acceptName(changedRow, name, prompt_);
        // Refused names go back to what the row held; an accepted one may add the empty row.
        QMetaObject::invokeMethod(this, [this] { refreshMappingList(); }, Qt::QueuedConnection);
    });
    refreshMappingList();
    return page;
}

void CSettings::refreshMappingList()
{
    const QSignalBlocker blocker(mapping_);
    const auto& rows = values_.deviceNameMap.rows();
    mapping_->setRowCount(static_cast<int>(rows.size()));
    const bool editing = settingsEnabling(values_, runExists_).mappingEditing;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        auto* item = new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)].fileName));
        if (!editing)
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        mapping_->setItem(r, 0, item);
        auto* combo = new QComboBox(mapping_);
        combo->addItem(QString());
        for (int d = DeviceTable::kGeneratorIndex; d < devices_.count(); ++d)
            combo->addItem(QString::fromStdString(devices_.device(d).name));
        combo->setCurrentText(QString::fromStdString(rows[static_cast<std::size_t>(r)].portName));
        combo->setEnabled(editing);
        connect(combo, &QComboBox::currentTextChanged, this, [this, r](const QString& text) {
            values_.deviceNameMap.setPortName(r, text.toStdString());
        });
        mapping_->setCellWidget(r, 1, combo);
    }
}

QWidget* CSettings::buildPianoRollPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    finegrid_ = checkBox("&Finegrid 1/32 resolution instead of 1/16", values_.pianoRoll.finegrid32, page);
    layout->addWidget(finegrid_);
    layout->addStretch();
    return page;
}

QWidget* CSettings::buildMidi2WavPage()
{
    auto* page = new QWidget(this);
    auto* layout = new QFormLayout(page);
    taskPriority_ = new QComboBox(page);
    taskPriority_->setObjectName("taskpriority");
    taskPriority_->addItems({"highest", "normal", "idle time only"});
    taskPriority_->setCurrentIndex(std::clamp(values_.taskpriority, 0, 2));
    layout->addRow("&Task priority", taskPriority_);
    return page;
}

QWidget* CSettings::buildKaraokePage()
{
    auto* page = new QWidget(this);
    auto* layout = new QFormLayout(page);
    const KaraokeSettings& k = values_.karaoke;
    openWindow_ = checkBox("&Open karaoke window on play if MIDI data contains song text events", k.openwindow, page);
    insertBlank_ = checkBox("&Insert missing blank behind each text fragment", k.insertblank, page);
    songTextTrack_ = numberField(k.songtexttrack, page);
    textAsLyric_ = checkBox("Song text event is te&xt instead of lyric", k.textaslyric, page);
    measuresPerRow_ = numberField(k.karaoketakteprozeile, page);
    layout->addRow(openWindow_);
    layout->addRow(insertBlank_);
    layout->addRow("&Song text track (Song text events containing track)", songTextTrack_);
    layout->addRow(textAsLyric_);
    layout->addRow("&Maximum number of measures in one text row", measuresPerRow_);
    return page;
}

void CSettings::refreshEnabling()
{
    const SettingsEnabling on = settingsEnabling(values_, runExists_);
    if (pageWidgets_[SettingsPage::Play])
        pageWidgets_[SettingsPage::Play]->setEnabled(on.playPage);
    if (delay_) {
        delay_->setEnabled(on.delayField);
        delayLabel_->setEnabled(on.delayField);
    }
    if (pageWidgets_[SettingsPage::Record])
        pageWidgets_[SettingsPage::Record]->setEnabled(on.recordPage);
    if (metronomeKey_) {
        metronomeKey_->setEnabled(on.metronomeKey);
        for (QWidget* w : {static_cast<QWidget*>(splitKey_), static_cast<QWidget*>(splitChannel_),
                           static_cast<QWidget*>(shiftFront_), static_cast<QWidget*>(shiftFrontOct_),
                           static_cast<QWidget*>(shiftBeyond_), static_cast<QWidget*>(shiftBeyondOct_)})
            w->setEnabled(on.splitControls);
    }
    if (finegrid_)
        finegrid_->setEnabled(on.pianoRoll);
    if (knobRecords_) {
        knobRecords_->setEnabled(on.loadOptions);
        knobsByUsage_->setEnabled(on.loadOptions);
    }
}

SettingsPage CSettings::currentPage() const
{
    return static_cast<SettingsPage>(category_->currentData().toInt());
}

void CSettings::showPage(SettingsPage page)
{
    const int index = category_->findData(static_cast<int>(page));
    if (index >= 0)
        category_->setCurrentIndex(index);
    pages_->setCurrentIndex(category_->currentIndex());
}

bool CSettings::collect()
{
    // Each typed number in its range, in the order OK checks the pages.
    const struct {
        QLineEdit* field;
        SettingsField which;
        int* target;
    } numbers[] = {
        {shiftFrontOct_, SettingsField::ShiftFrontOct, &values_.general.shiftfrontoct},
        {shiftBeyondOct_, SettingsField::ShiftBeyondOct, &values_.general.shiftbeyondoct},
        {delay_, SettingsField::DetSendDelay, &values_.general.detsenddelay},
        {songTextTrack_, SettingsField::SongTextTrack, &values_.karaoke.songtexttrack},
        {measuresPerRow_, SettingsField::MeasuresPerRow, &values_.karaoke.karaoketakteprozeile},
    };
    for (const auto& number : numbers) {
        if (!number.field->isEnabled())
            continue;
        const std::optional<int> value = readSettingsField(number.field->text().toStdString(), number.which, prompt_);
        if (!value) {
            showPage(settingsRange(number.which).page);
            number.field->setFocus();
            number.field->selectAll();
            return false;
        }
        *number.target = *value;
    }
    values_.general.determine = determine_->isChecked();
    values_.general.timingclock = timingClock_->isChecked();
    values_.metronom.yn = metronome_->isChecked();
    values_.metronom.Instrument = metronomeKey_->currentIndex();
    values_.inputPort = inputPort_->currentIndex();
    values_.general.midithru = midithru_->isChecked();
    values_.general.routeyn = route_->isChecked();
    values_.general.splitkey = splitKey_->currentIndex();
    values_.general.splitchannel = splitChannel_->currentIndex();
    values_.general.shiftfrontyn = shiftFront_->isChecked();
    values_.general.shiftbeyondyn = shiftBeyond_->isChecked();
    values_.mixer.setknobswhileloadbyinternmeta = knobRecords_->isChecked();
    values_.mixer.setauto = knobsByUsage_->isChecked();
    values_.pianoRoll.finegrid32 = finegrid_->isChecked();
    values_.taskpriority = taskPriority_->currentIndex();
    values_.karaoke.openwindow = openWindow_->isChecked();
    values_.karaoke.insertblank = insertBlank_->isChecked();
    values_.karaoke.textaslyric = textAsLyric_->isChecked();
    return true;
}

bool CSettings::applyAndClose()
{
    if (!collect())
        return false;
    if (const std::optional<SettingsPage> failed = applySettingsDialog(values_, settings_, input_, prompt_)) {
        showPage(*failed);
        return false;
    }
    accept();
    return true;
}

} // namespace velisto
