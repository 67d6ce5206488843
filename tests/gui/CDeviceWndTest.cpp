// The device strips below the toolbar and the dialogs they open: strips follow the open
// devices and what is sent to them, the parameter dialog turns typed keys into the rules'
// messages and refuses OK while a run plays, and the close control keeps one device open.
#include "gui/GuiTestSupport.h"

#include "app/CommandIds.h"
#include "devices/CDeviceParameterDlg.h"
#include "devices/CMidioutDlg.h"
#include "devices/CModeReset.h"
#include "devices/DeviceStripColumn.h"
#include "devices/GeneratorActions.h"
#include "midi/DeviceTable.h"
#include "audio/GeneratorAudio.h"
#include "playback/PlayController.h"
#include "sampler/Sampler.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace velisto::test {
namespace {

using Texts = std::vector<std::string>;

const std::vector<std::uint8_t> kGsReset{0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};

class CDeviceWndTest : public ::testing::Test, public GuiFixture {
protected:
    void SetUp() override
    {
        demo = quietDemo();
        run = start();
        ASSERT_TRUE(run.started);
        synth = table().indexOf("Synth A");
        ASSERT_GE(synth, 0);
    }
    void TearDown() override
    {
        if (run.app && run.app->frame() && run.app->frame()->isVisible()) {
            prompt.answers = {PromptAnswer::No};
            finish(run);
        }
    }

    CMainFrame& frame() { return run.frame(); }
    DeviceTable& table() { return frame().engine().table; }
    DeviceStripColumn& strips() { return *frame().deviceStrips(); }
    std::vector<int> stripDevices()
    {
        std::vector<int> devices;
        for (const CDeviceWnd* strip : strips().strips())
            devices.push_back(strip->device());
        return devices;
    }
    Texts messages() const
    {
        Texts texts;
        for (const Shown& shown : prompt.messages)
            texts.push_back(shown.text);
        return texts;
    }
    // The "Open MIDI Output device" command with the port chosen in its list.
    void openSynthFromTheToolbar()
    {
        QTimer::singleShot(0, [this] {
            auto* dialog = dynamic_cast<CMidioutDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            const auto found = dialog->list()->findItems("Synth A", Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            dialog->list()->setCurrentItem(found.front());
            dialog->accept();
        });
        ASSERT_TRUE(frame().runCommand(CommandId::OpenDevice));
        settle();
    }
    static void type(QLineEdit* field, const QString& text)
    {
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    std::filesystem::path demo;
    GuiRun run;
    int synth = -1;
};

TEST_F(CDeviceWndTest, StripsFollowAnOpenedPortAndAGsResetSentToIt)
{
    // The first start opens the generator only.
    ASSERT_EQ(stripDevices(), std::vector<int>{DeviceTable::kGeneratorIndex});
    const CDeviceWnd& generator = *strips().strip(DeviceTable::kGeneratorIndex);
    EXPECT_EQ(generator.shownValue(DeviceField::DeviceMode), "[GM2]");
    EXPECT_EQ(generator.shownValue(DeviceField::IsDefault), "yes");
    EXPECT_TRUE(generator.shownValue(DeviceField::DeviceName).endsWith("...") ||
                generator.shownValue(DeviceField::DeviceName) == "Velisto's Internal Sound Generator");
    ASSERT_NE(generator.button("contentigr"), nullptr);
    EXPECT_TRUE(generator.button("loadigr")->isEnabled());
    // "Memory content" opens the generator's content window.
    QTest::mouseClick(generator.button("contentigr"), Qt::LeftButton);
    settle();
    ASSERT_NE(frame().generatorActions().contentWindow(), nullptr);
    frame().generatorActions().closeWindows();
    // The sampler's message stays for 20 ticks of 250 ms; then the resting line names the group.
    Sampler* sampler = frame().engine().generatorAudio->sampler();
    ASSERT_NE(sampler, nullptr);
    sampler->waitForContent();
    CDeviceWnd& generatorStrip = *strips().strip(DeviceTable::kGeneratorIndex);
    generatorStrip.tickStatus();
    EXPECT_NE(generatorStrip.statusLine().text, "no .igr-map in memory") << "no group was named: the load said why";
    for (int tick = 0; tick < kStatusCountdown; ++tick)
        generatorStrip.tickStatus();
    EXPECT_EQ(generatorStrip.statusLine().text, "no .igr-map in memory");
    EXPECT_FALSE(generatorStrip.statusLine().error);
    const int oneStrip = strips().height();
    EXPECT_GT(oneStrip, 0);

    openSynthFromTheToolbar();
    ASSERT_EQ(stripDevices(), (std::vector<int>{DeviceTable::kGeneratorIndex, synth}));
    EXPECT_EQ(strips().height(), 2 * oneStrip);
    CDeviceWnd& port = *strips().strip(synth);
    EXPECT_EQ(port.shownValue(DeviceField::DeviceName), "Synth A");
    EXPECT_EQ(port.shownValue(DeviceField::DeviceMode), "[GM]");
    EXPECT_EQ(port.shownValue(DeviceField::IsDefault), "no");
    EXPECT_EQ(port.button("loadigr"), nullptr);
    EXPECT_EQ(port.parts().caption, "Rythm channels");

    // GS support, then a GS Reset through event output: the notices redraw mode and parts.
    DeviceParameters parameters = DeviceParameters::of(table().device(synth));
    parameters.gsSupported = true;
    ASSERT_EQ(table().applyParameters(synth, parameters), "");
    frame().engine().output.sendSysex(table().device(synth), kGsReset);
    EXPECT_EQ(port.shownValue(DeviceField::DeviceMode), "[GM]") << "nothing redraws before the notices arrive";
    settle();
    EXPECT_EQ(port.shownValue(DeviceField::DeviceMode), "[GS]");
    EXPECT_EQ(port.parts().caption, "Part/MIDI channel assignment");
    ASSERT_EQ(port.parts().rows.size(), 2u);
    EXPECT_TRUE(port.parts().highlighted[9]);
    // A run's flood of notices redraws each device and field once per pass.
    const int refreshes = port.refreshCount();
    for (int i = 0; i < 100; ++i) {
        strips().deviceWindowRefresh(synth, "parts");
        strips().deviceWindowRefresh(synth, "devicemode");
    }
    EXPECT_EQ(port.refreshCount(), refreshes);
    settle();
    EXPECT_EQ(port.refreshCount(), refreshes + 2);
    EXPECT_EQ(port.shownValue(DeviceField::SupportedStandards), "[GM]") << "the table tells no notices";
    strips().sync();
    EXPECT_EQ(port.shownValue(DeviceField::SupportedStandards), "[GM][GS]");

    // The mode reset dialog offers the supported standards only and sends through event output.
    CModeReset reset(table().device(synth), frame().engine().output, &frame());
    EXPECT_TRUE(reset.modeButton(MidiMode::GM)->isEnabled());
    EXPECT_FALSE(reset.modeButton(MidiMode::XG)->isEnabled());
    reset.modeButton(MidiMode::GM)->click();
    settle();
    EXPECT_EQ(port.shownValue(DeviceField::DeviceMode), "[GM]");
}

TEST_F(CDeviceWndTest, KeysTypedIntoTheParameterDialogGiveTheRuleTexts)
{
    CDeviceParameterDlg dialog(table(), DeviceTable::kGeneratorIndex, *frame().engine().song, nullptr, prompt,
                               &frame());
    EXPECT_EQ(dialog.windowTitle(), "Device parameter - Velisto's Internal Sound Generator");
    dialog.show();
    ASSERT_EQ(dialog.slotPathList()->count(), 2);
    dialog.slotPathList()->setCurrentRow(1); // Chorus, parameters 0..4
    ASSERT_EQ(dialog.parameterTable()->rowCount(), 5);

    dialog.parameterTable()->setCurrentCell(3, 0);
    type(dialog.parameterIdEdit(), "3");
    EXPECT_EQ(messages(), Texts{}) << "the selected parameter's own id is no change";
    dialog.parameterTable()->setCurrentCell(0, 0);
    type(dialog.parameterIdEdit(), "3");
    type(dialog.parameterIdEdit(), "200");
    EXPECT_EQ(messages(), (Texts{"Parameter ID 3 already exists.",
                                 "Because Parameter ID width of 1, Parameter Id must be between 0 and 127"}));
    EXPECT_EQ(dialog.parameterIdEdit()->text(), "0") << "a refusal keeps the old id";
    type(dialog.parameterNameEdit(), "Chorus\\Type");
    EXPECT_EQ(messages().back(), "Don't use \\ (Backslash)");
    EXPECT_EQ(prompt.messages.back().title, "Global parameter control");

    // Mod Rate is a free value: its formula is checked as typed and on request.
    prompt.messages.clear();
    dialog.parameterTable()->setCurrentCell(1, 0);
    type(dialog.formulaEdit(), "val*val");
    EXPECT_EQ(messages(), (Texts{"Use placeholder 'val' exactly one time", "Formula not accepted."}));
    EXPECT_EQ(dialog.formulaEdit()->text(), "val*0.122");
    dialog.formulaEdit()->setText("(val+1)/3");
    dialog.checkFormulaButton()->click();
    EXPECT_EQ(messages().back(), "Formula ok.");
    EXPECT_EQ(prompt.messages.back().title, "Global parameter control free value formula");

    // A width change with parameters asks; No keeps them.
    prompt.answers = {PromptAnswer::No};
    type(dialog.idWidthEdit(), "2");
    ASSERT_EQ(prompt.questions.size(), 1u);
    EXPECT_EQ(prompt.questions[0].text, "This will delete all defined parameters in this slotpath");
    EXPECT_EQ(dialog.idWidthEdit()->text(), "1");
    EXPECT_EQ(dialog.parameterTable()->rowCount(), 5);

    // GM2 off asks too; Yes clears the slot paths and the GM2 power-on mode becomes GM.
    prompt.answers = {PromptAnswer::Yes};
    dialog.gm2Box()->click();
    EXPECT_EQ(prompt.questions.back().text, "This will delete all slotpath entries");
    EXPECT_EQ(prompt.questions.back().title, "GM2 supported");
    EXPECT_EQ(dialog.slotPathList()->count(), 0);
    EXPECT_TRUE(dialog.modeButton(MidiMode::GM)->isChecked());
    EXPECT_FALSE(dialog.slotPathList()->isEnabled());

    // The defaults of the generator pass OK; the table takes the new parameters.
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(table().device(DeviceTable::kGeneratorIndex).gm2Supported);
    EXPECT_EQ(table().device(DeviceTable::kGeneratorIndex).powerOnMode, MidiMode::GM);
    EXPECT_TRUE(table().device(DeviceTable::kGeneratorIndex).slotPaths.empty());
}

TEST_F(CDeviceWndTest, OkDuringARunChangesNothingAndTheDialogStays)
{
    files.answers = {demo};
    ASSERT_TRUE(frame().runCommand(CommandId::Open));
    settle();
    ASSERT_TRUE(frame().runCommand(CommandId::Play));
    settle();
    ASSERT_TRUE(frame().controller().runExists());

    const DeviceParameters before = DeviceParameters::of(table().device(DeviceTable::kGeneratorIndex));
    CDeviceParameterDlg dialog(table(), DeviceTable::kGeneratorIndex, *frame().engine().song, nullptr, prompt,
                               &frame());
    dialog.show();
    dialog.modeButton(MidiMode::GS)->click();
    type(dialog.universalIdEdit(), "10");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_NE(prompt.messages.back().text.find("can't be changed"), std::string::npos) << prompt.messages.back().text;
    EXPECT_EQ(DeviceParameters::of(table().device(DeviceTable::kGeneratorIndex)), before);

    // A refused id is named before the run is asked.
    prompt.messages.clear();
    type(dialog.universalIdEdit(), "80");
    dialog.accept();
    EXPECT_EQ(messages(), Texts{"Universal Sysex Device ID : Maximum is 7F (h)"});

    frame().runCommand(CommandId::Stop);
    runUntilEnded(run);
    dialog.reject();
}

TEST_F(CDeviceWndTest, TheLastDeviceStaysOpenAndClosingTheDefaultMovesItsTracks)
{
    CDeviceWnd* generator = strips().strip(DeviceTable::kGeneratorIndex);
    ASSERT_NE(generator, nullptr);
    generator->button(CDeviceWnd::kCloseButton)->click();
    settle();
    ASSERT_EQ(messages(), Texts{"At least one device has to be open, tracks are assigned to it."});
    EXPECT_EQ(prompt.messages.back().title, "Close MIDI Output device");
    EXPECT_EQ(stripDevices(), std::vector<int>{DeviceTable::kGeneratorIndex});

    openSynthFromTheToolbar();
    ASSERT_EQ(stripDevices().size(), 2u);
    ASSERT_TRUE(table().device(DeviceTable::kGeneratorIndex).isDefault);
    ASSERT_EQ(frame().engine().song->tracks[0].device, DeviceTable::kGeneratorIndex);

    strips().strip(DeviceTable::kGeneratorIndex)->button(CDeviceWnd::kCloseButton)->click();
    settle();
    EXPECT_EQ(stripDevices(), std::vector<int>{synth});
    EXPECT_FALSE(table().device(DeviceTable::kGeneratorIndex).isOpen());
    EXPECT_TRUE(table().device(synth).isDefault);
    for (const Track& track : frame().engine().song->tracks)
        EXPECT_EQ(track.device, synth);
    EXPECT_EQ(strips().strip(synth)->shownValue(DeviceField::IsDefault), "yes");
}

} // namespace
} // namespace velisto::test
