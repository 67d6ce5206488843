// The tempo, meter and key editors driven like a user: typing into fields and leaving
// them, choosing combo items, pressing "Ins" and "Del", scrolling.
#include "CKeyDlg.h"
#include "CMeterDlg.h"
#include "CTempoDlg.h"

#include "core/midi/DeviceTestSupport.h"
#include "edit/UndoStack.h"
#include "song/Positions.h"
#include "song/Song.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "core/edit/TestFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace velisto {
namespace {

// Takes the focus away as a message box does while it is shown.
class FocusTakingPrompt : public test::ScriptedPrompt {
public:
    QWidget* focusTarget = nullptr;
    void message(const std::string& text, const std::string& title, PromptIcon icon) override
    {
        ScriptedPrompt::message(text, title, icon);
        if (focusTarget)
            focusTarget->setFocus();
    }
};

class CMasterListDialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        undo_ = std::make_unique<UndoStack>(folder_, 7);
        song_->ppq = 96;
        for (int m = 1; m <= 12; ++m)
            song_->setTempo(bar(m), 100.0 + m);
    }

    std::int32_t bar(int measure) const { return measureStart(*song_, measure); }
    template <typename Dialog> std::unique_ptr<Dialog> open(std::int32_t clickedTick)
    {
        auto dialog = std::make_unique<Dialog>(*song_, *undo_, prompt_, clickedTick, [this] { ++modified_; });
        dialog->show();
        return dialog;
    }
    template <typename T> static T* child(QWidget& dialog, const QString& name)
    {
        T* found = dialog.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    // Types text into a field and leaves it with Enter (or Tab), as the user would.
    static void type(QLineEdit* field, const QString& text, Qt::Key leaveWith = Qt::Key_Return)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, leaveWith);
    }
    static void click(QWidget& dialog, const QString& button)
    {
        QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
    }

    test::TestFolder folder_{"velisto-masterdlg-test"};
    std::unique_ptr<Song> song_ = std::make_unique<Song>();
    std::unique_ptr<UndoStack> undo_;
    FocusTakingPrompt prompt_;
    int modified_ = 0;
};

TEST_F(CMasterListDialogsTest, TempoOpensAtTheClickedEntryAndStoresTypedValues)
{
    auto dialog = open<CTempoDlg>(bar(5) - 1);
    EXPECT_EQ(dialog->windowTitle(), "Tempo");
    for (const char* heading : {"Measure:Beat:", "Tick", "Tempo"}) {
        const auto labels = dialog->findChildren<QLabel*>();
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](QLabel* l) { return l->text() == heading; }))
            << heading;
    }
    // Entry 5 (measure 6 on screen) is the top row; the last rows are empty.
    EXPECT_EQ(child<QLineEdit>(*dialog, "position0")->text().toStdString(), positionText(*song_, bar(5)));
    EXPECT_EQ(child<QComboBox>(*dialog, "tempo0")->currentText(), "105");
    EXPECT_FALSE(child<QLineEdit>(*dialog, "position8")->isEnabled());
    EXPECT_FALSE(child<QComboBox>(*dialog, "tempo8")->isEnabled());

    QComboBox* tempo = child<QComboBox>(*dialog, "tempo1");
    type(tempo->lineEdit(), "140.5");
    EXPECT_EQ(song_->tempoList[6].bpm, 140.5);
    type(tempo->lineEdit(), "0");
    EXPECT_EQ(song_->tempoList[6].bpm, 1.0) << "0 is stored as 1";
    EXPECT_EQ(tempo->currentText(), "1");
    type(tempo->lineEdit(), "fast");
    EXPECT_EQ(tempo->currentText(), "1") << "no number: the old text comes back";
    EXPECT_EQ(song_->tempoList[6].bpm, 1.0);
    // A preset is stored as it reads.
    tempo->setCurrentIndex(4);
    emit tempo->activated(4);
    EXPECT_EQ(song_->tempoList[6].bpm, 120.0);
    EXPECT_EQ(modified_, 3);
    EXPECT_EQ(undo_->size(), 1) << "one undo step for the whole dialog";
}

TEST_F(CMasterListDialogsTest, InsAndDelChangeTheListAndUndoTakesThemBack)
{
    auto dialog = open<CTempoDlg>(0);
    QScrollBar* scroll = child<QScrollBar>(*dialog, "scroll");
    EXPECT_EQ(scroll->maximum(), 12);
    EXPECT_FALSE(child<QPushButton>(*dialog, "del0")->isEnabled()) << "the song's start stays";
    EXPECT_TRUE(child<QLineEdit>(*dialog, "position0")->isReadOnly());

    // Measures 1..13 (from 0: 0..12) all hold entries: Ins on entry 3 goes to measure 13.
    click(*dialog, "ins3");
    EXPECT_EQ(song_->tempoCount(), 14);
    EXPECT_EQ(song_->tempoList[13].tick, bar(13));
    EXPECT_EQ(song_->tempoList[13].bpm, 103.0);
    EXPECT_EQ(scroll->maximum(), 13);

    click(*dialog, "del1");
    click(*dialog, "del1");
    EXPECT_EQ(song_->tempoCount(), 12);
    EXPECT_EQ(song_->tempoList[1].bpm, 103.0);
    EXPECT_EQ(child<QComboBox>(*dialog, "tempo1")->currentText(), "103");
    EXPECT_EQ(modified_, 3);

    scroll->setValue(10);
    EXPECT_EQ(child<QComboBox>(*dialog, "tempo0")->currentText(), "112");
    EXPECT_FALSE(child<QPushButton>(*dialog, "ins2")->isEnabled());
    dialog->accept();

    ASSERT_EQ(undo_->size(), 1);
    EXPECT_EQ(undo_->descriptions().back(), "tempo changes");
    undo_->undo(*song_, prompt_);
    EXPECT_EQ(song_->tempoCount(), 13);
    EXPECT_EQ(song_->tempoList[1].bpm, 101.0);
    EXPECT_EQ(song_->tempoList[2].bpm, 102.0);
}

TEST_F(CMasterListDialogsTest, BadPositionsShowTheirTextAndKeepTheOldOne)
{
    song_->setMeterAtMeasure(3, 3, 4);
    auto meter = open<CMeterDlg>(0);
    meter->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(meter.get()));
    prompt_.focusTarget = child<QComboBox>(*meter, "numerator3");
    EXPECT_EQ(meter->windowTitle(), "Meter");
    QLineEdit* measure = child<QLineEdit>(*meter, "position1");
    EXPECT_EQ(measure->text(), "4");
    type(measure, "0", Qt::Key_Tab);
    EXPECT_FALSE(measure->hasFocus());
    ASSERT_EQ(prompt_.messages.size(), 1u) << "one message for one edit";
    EXPECT_EQ(prompt_.messages[0].title, "Meter editor");
    EXPECT_EQ(prompt_.messages[0].text, positionToTick(*song_, -1, 0, 0).message);
    EXPECT_EQ(measure->text(), "4");
    EXPECT_EQ(song_->meterList[1].measure, 3);

    type(measure, "6");
    EXPECT_EQ(song_->meterList[1].measure, 5);
    QComboBox* denominator = child<QComboBox>(*meter, "denominator1");
    denominator->setCurrentIndex(3);
    emit denominator->activated(3);
    EXPECT_EQ(song_->meterList[1].denominator, 8);
    EXPECT_EQ(song_->meterList[1].numerator, 3);

    auto tempo = open<CTempoDlg>(0);
    type(child<QLineEdit>(*tempo, "position2"), "2:9:0");
    ASSERT_EQ(prompt_.messages.size(), 2u);
    EXPECT_EQ(prompt_.messages[1].title, "Tempo editor");
    EXPECT_EQ(child<QLineEdit>(*tempo, "position2")->text().toStdString(),
              positionText(*song_, song_->tempoList[2].tick));
}

TEST_F(CMasterListDialogsTest, KeyEditorOffersFifteenKeysAndMajorOrMinor)
{
    song_->setKey(bar(2), -3, 0);
    auto dialog = open<CKeyDlg>(bar(1));
    EXPECT_EQ(dialog->windowTitle(), "Key editor");
    QComboBox* keys = child<QComboBox>(*dialog, "sharpsFlats0");
    ASSERT_EQ(keys->count(), 15);
    EXPECT_EQ(keys->itemText(0), "7 flats");
    EXPECT_EQ(keys->itemText(7), "0 key of C");
    EXPECT_EQ(keys->itemText(14), "7 sharps");
    EXPECT_EQ(keys->currentText(), "3 flats");
    QComboBox* mode = child<QComboBox>(*dialog, "majorMinor0");
    EXPECT_EQ(mode->currentText(), "min");

    keys->setCurrentIndex(9);
    emit keys->activated(9);
    mode->setCurrentIndex(0);
    emit mode->activated(0);
    EXPECT_EQ(song_->keyList[1].sharpsFlats, 2);
    EXPECT_EQ(song_->keyList[1].major, 1);
    EXPECT_EQ(modified_, 2);
}

TEST_F(CMasterListDialogsTest, EveryControlIsReachedWithTab)
{
    auto dialog = open<CKeyDlg>(0);
    for (QWidget* widget : dialog->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
            qobject_cast<QPushButton*>(widget) || qobject_cast<QScrollBar*>(widget)) {
            EXPECT_TRUE(widget->focusPolicy() & Qt::TabFocus) << widget->objectName().toStdString();
        }
    }
}

} // namespace
} // namespace velisto
