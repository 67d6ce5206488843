// The settings dialog over a running frame: OK stores, Cancel does not, a port that fails
// its test keeps the dialog open on the record page.
#include "gui/GuiTestSupport.h"

#include "CSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

class CSettingsTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        store.writeInt("MIDI Input device", "devicenr", 0);
        run = start();
        ASSERT_TRUE(run.started);
    }
    void TearDown() override
    {
        if (run.app && run.app->frame())
            finish(run);
    }

    std::unique_ptr<CSettings> dialog()
    {
        CMainFrame& f = run.frame();
        return std::make_unique<CSettings>(f.engine().settings,
                                           SettingsInput{*f.engine().ports, f.input(), routerOf(f)},
                                           f.engine().table, false, prompt, &f);
    }
    static MidiInputRouter& routerOf(CMainFrame& f) { return f.inputRouter(); }
    template <typename T> static T* child(QWidget& parent, const char* name) { return parent.findChild<T*>(name); }

    GuiRun run;
};

TEST_F(CSettingsTest, OkStoresTheValuesAndCancelDoesNot)
{
    Settings& settings = run.frame().engine().settings;
    auto cancelled = dialog();
    child<QLineEdit>(*cancelled, "detsenddelay")->setText("9");
    cancelled->reject();
    EXPECT_EQ(settings.general.detsenddelay, 5);

    auto accepted = dialog();
    EXPECT_EQ(accepted->currentPage(), SettingsPage::Play);
    child<QLineEdit>(*accepted, "detsenddelay")->setText("9");
    child<QComboBox>(*accepted, "taskpriority")->setCurrentIndex(2);
    EXPECT_TRUE(accepted->applyAndClose());
    EXPECT_EQ(settings.general.detsenddelay, 9);
    EXPECT_EQ(settings.midi2wav.taskpriority, 2);
}

TEST_F(CSettingsTest, AValueOutOfRangeIsRefusedOnItsPage)
{
    auto d = dialog();
    d->showPage(SettingsPage::Karaoke);
    child<QLineEdit>(*d, "detsenddelay")->setText("201");
    EXPECT_FALSE(d->applyAndClose());
    EXPECT_EQ(d->currentPage(), SettingsPage::Play);
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_NE(prompt.messages.back().text.find("Please enter a value between 0 and 200"), std::string::npos);
    EXPECT_EQ(run.frame().engine().settings.general.detsenddelay, 5);
}

TEST_F(CSettingsTest, AnInputPortThatFailsItsTestKeepsTheDialogOpen)
{
    run.ports->setInputOpenFailure(1, MidiOpenError::AlreadyAllocated);
    auto d = dialog();
    d->showPage(SettingsPage::Karaoke);
    child<QComboBox>(*d, "inputport")->setCurrentIndex(1);
    EXPECT_FALSE(d->applyAndClose());
    EXPECT_EQ(d->currentPage(), SettingsPage::Record);
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_NE(prompt.messages.back().text.find("Can't open MIDI input device."), std::string::npos);
    EXPECT_EQ(run.frame().engine().settings.midiInput.devicenr, 0);
    EXPECT_TRUE(run.ports->isInputOpen(0)); // the port in use stays

    run.ports->setInputOpenFailure(1, MidiOpenError::None);
    EXPECT_TRUE(d->applyAndClose());
    EXPECT_EQ(run.frame().engine().settings.midiInput.devicenr, 1);
    EXPECT_TRUE(run.ports->isInputOpen(1));
    EXPECT_FALSE(run.ports->isInputOpen(0));
}

TEST_F(CSettingsTest, TheDelayFieldFollowsTheAdjustBox)
{
    auto d = dialog();
    auto* delay = child<QLineEdit>(*d, "detsenddelay");
    ASSERT_TRUE(delay->isEnabled());
    child<QCheckBox>(*d, "determine")->setChecked(false);
    EXPECT_FALSE(delay->isEnabled());
}

} // namespace
} // namespace velisto::test
