// The play engine on simulated time: a test advances the clock, the timer fires as a
// punctual (or deliberately late) timer would, and the loopback port shows what left.

#include "playback/CMidiThread.h"
#include "app/MemoryProfileStore.h"
#include "app/QueueUiNotifier.h"
#include "app/Settings.h"
#include "app/TrackControls.h"
#include "midi/DeviceTable.h"
#include "midi/EventOutput.h"
#include "midi/LoopbackMidiPortSystem.h"
#include "midi/MidiModeDefinition.h"
#include "playback/MidiInputRouter.h"
#include "playback/OutputMonitor.h"
#include "playback/PlayController.h"
#include "playback/PlayMessages.h"
#include "playback/SimulatedClock.h"
#include "playback/SimulatedTimer.h"
#include "song/Positions.h"
#include "song/Song.h"

#include "../midi/DeviceTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velisto {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::string>;

// The song's slot of controller 7 (volume).
const int kVolume = slotForSong(ParamKind::Controller, 7);

class StatusPrompt : public test::ScriptedPrompt {
public:
    std::vector<std::string> statuses;
    void status(const std::string& text) override { statuses.push_back(text); }
};

class CMidiThreadTest : public ::testing::Test {
protected:
    CMidiThreadTest()
    {
        song.ppq = 96;
        song.clear(kPort);
        EXPECT_EQ(table.open(kPort), "");
        settings.general.determine = false;
        settings.metronom.yn = false;
        monitor.open();
        record->clear();
        router.setRouting(InputRouting::of(settings.general));
    }
    ~CMidiThreadTest() override
    {
        // A test that left a run behind must not hang the next: end it on simulated time.
        if (controller.runExists()) {
            controller.stop();
            timer.advance(100ms);
            controller.finishRun();
        }
    }

    // The worker prepares the devices and starts the timer; tests wait for it so that
    // the simulated timer is used from one thread at a time.
    void settle()
    {
        ASSERT_NE(controller.playThread(), nullptr);
        controller.playThread()->joinWorker();
    }
    StartOutcome play(std::int32_t from = 0, std::optional<TickRange> selection = std::nullopt)
    {
        const StartOutcome outcome = controller.play(from, selection, settings);
        if (outcome == StartOutcome::Started)
            settle();
        return outcome;
    }
    // Advances in steps until the run's stop sequence has posted its end, then finishes it.
    std::optional<RunEnd> runToEnd(std::chrono::milliseconds limit = 60s)
    {
        for (auto spent = 0ms; spent < limit && !controller.playThread()->ended(); spent += 10ms)
            timer.advance(10ms);
        return controller.finishRun();
    }
    Texts sent()
    {
        Texts texts = record->texts();
        record->clear();
        return texts;
    }
    std::vector<QueueUiNotifier::Post> postsOf(unsigned message)
    {
        std::vector<QueueUiNotifier::Post> found;
        for (const auto& post : notifier.take())
            if (post.message == message)
                found.push_back(post);
        return found;
    }
    Track& track(int index) { return song.tracks[static_cast<std::size_t>(index)]; }

    static constexpr int kPort = DeviceTable::kFirstPortIndex;
    Song song;
    LoopbackMidiPortSystem ports{{"Synth"}};
    MemoryProfileStore store;
    DeviceTable table{ports, store};
    std::shared_ptr<LoopbackPortRecord> record = ports.record(0);
    OutputMonitor monitor{&song};
    std::vector<std::chrono::milliseconds> sleeps;
    EventOutput output{monitor, [this](std::chrono::milliseconds ms) { sleeps.push_back(ms); }};
    SimulatedClock clock;
    SimulatedTimer timer{clock};
    QueueUiNotifier notifier;
    MidiInputRouter router{song, table, output, monitor};
    StatusPrompt prompt;
    Settings settings = Settings::defaults("/tmp", 1920, 1080);
    PlayEnvironment environment{&song, &table, &output, &monitor, &clock, &timer, &notifier, &router, nullptr, nullptr};
    PlayController controller{environment, song, prompt};
};

TEST_F(CMidiThreadTest, TimerPeriodFollowsTheTempoAndChangesAtTheTempoTick)
{
    song.setTempo(0, 60.0);    // 11 ms at PPQ 96
    song.setTempo(192, 120.0); // 6 ms
    track(0).append(MidiEvent::note(300, 0, 60, 100, 10));
    ASSERT_EQ(play(), StartOutcome::Started);
    EXPECT_EQ(timer.period(), 11ms);
    // Tick 191 is due at 191 * 60000 / (96 * 60) ms = 1989.6 ms, tick 192 at 2000 ms.
    timer.advance(1995ms);
    EXPECT_EQ(controller.playThread()->currentTick(), 192);
    EXPECT_EQ(timer.period(), 11ms);
    timer.advance(11ms);
    EXPECT_GT(controller.playThread()->currentTick(), 192);
    EXPECT_EQ(timer.period(), 6ms);
    EXPECT_EQ(controller.playThread()->tempoIndex(), 1);
    const auto tempoPosts = postsOf(kPlayTempoMessage);
    ASSERT_EQ(tempoPosts.size(), 2u);
    EXPECT_EQ(tempoPosts[1].wparam, 1u);
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, StartingMidSongUsesTheTempoInForceThere)
{
    song.setTempo(0, 120.0);
    song.setTempo(384, 60.0);
    track(0).append(MidiEvent::note(800, 0, 60, 100, 10));
    ASSERT_EQ(play(400), StartOutcome::Started); // measure 2 starts at 384
    EXPECT_EQ(timer.period(), 11ms);
    EXPECT_EQ(controller.playThread()->request().startTick, 384);
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, EventsPlayOnScheduleInMergedOrderWithEqualTicksByTrack)
{
    track(0).channel = 0;
    track(1).append(MidiEvent::note(96, 1, 62, 90, 48));
    track(0).append(MidiEvent::note(96, 0, 60, 100, 48));
    track(0).append(MidiEvent::channelEvent(96, 0xC0, 5, 0));
    track(2).append(MidiEvent::note(0, 2, 64, 80, 24));
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(5ms); // the first call comes one period (6 ms) after the start
    EXPECT_EQ(sent(), Texts{});
    timer.advance(6ms); // ticks 0 and 1 (5.2 ms)
    EXPECT_EQ(sent(), (Texts{"92 40 50"}));
    timer.advance(114ms); // tick 24 at 125 ms: not yet
    EXPECT_EQ(sent(), Texts{});
    timer.advance(6ms);
    EXPECT_EQ(sent(), (Texts{"92 40 00"}));
    timer.advance(384ms); // tick 96 at 500 ms, played by the call at 504 ms
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "C0 05", "91 3E 5A"}));
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    // Both notes end at tick 144; the off table is walked in slot order.
    EXPECT_EQ(sent(), (Texts{"90 3C 00", "91 3E 00"}));
    EXPECT_EQ(end->cursorTick, 0);
}

TEST_F(CMidiThreadTest, LateTimerCallsPlayEveryOverdueTickInABurst)
{
    for (int i = 0; i < 20; ++i)
        track(0).append(MidiEvent::channelEvent(i * 3, 0xB0, std::uint8_t(kVolume), std::uint8_t(i)));
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.setLateness(150ms);
    timer.advance(160ms);
    // One call, 155 ms late: ticks 0..29 (29 * 5.2 = 151 ms) come in one burst.
    EXPECT_EQ(timer.fireCount(), 1);
    EXPECT_EQ(sent().size(), 10u);
    ASSERT_TRUE(runToEnd());
    const Texts rest = sent();
    ASSERT_EQ(rest.size(), 10u);
    EXPECT_EQ(rest.back(), "B0 07 13");
}

TEST_F(CMidiThreadTest, TickOffsetsDelayNotesWithoutShorteningAndPullEarlyEventsToTheStart)
{
    track(0).tickOffset = 20;
    track(0).append(MidiEvent::note(0, 0, 60, 100, 30)); // plays at 20, ends at 50
    track(1).tickOffset = -20;
    track(1).append(MidiEvent::channelEvent(380, 0xC1, 9, 0)); // before the start: sets up the receiver only
    track(1).append(MidiEvent::note(384, 1, 62, 100, 10));     // own tick at the start: plays at the start
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(100ms); // tick 19
    EXPECT_EQ(sent(), Texts{});
    timer.advance(10ms); // tick 21
    EXPECT_EQ(sent(), (Texts{"90 3C 64"}));
    timer.advance(140ms); // tick 47
    EXPECT_EQ(sent(), Texts{});
    timer.advance(20ms); // tick 50 at 260.4 ms
    EXPECT_EQ(sent(), (Texts{"90 3C 00"}));
    controller.stop();
    ASSERT_TRUE(runToEnd());
    record->clear();

    ASSERT_EQ(play(384), StartOutcome::Started);
    const DeviceMidiState& target = table.device(kPort).targetState;
    EXPECT_EQ(target.part(target.partOfChannel(1))->program, 9);
    timer.advance(6ms);
    // The program change was not sent ("determine" is off); the note plays at the start.
    EXPECT_EQ(sent(), (Texts{"91 3E 64"}));
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, AdjustingOnlyWithDetermineButTargetStatesAlways)
{
    track(0).append(MidiEvent::channelEvent(0, 0xB0, std::uint8_t(kVolume), 50));
    track(0).append(MidiEvent::note(400, 0, 60, 100, 10));
    ASSERT_EQ(play(384), StartOutcome::Started);
    EXPECT_EQ(sent(), Texts{});
    EXPECT_EQ(table.device(kPort).targetState.controllerValue(0, kVolume), 50);
    controller.stop();
    ASSERT_TRUE(runToEnd());
    record->clear();

    settings.general.determine = true;
    ASSERT_EQ(play(384), StartOutcome::Started);
    const Texts adjusting = sent();
    EXPECT_NE(std::find(adjusting.begin(), adjusting.end(), "B0 07 32"), adjusting.end());
    timer.advance(100ms);
    EXPECT_EQ(sent(), (Texts{"90 3C 64"}));
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, MutedAndNonSoloTracksStaySilent)
{
    track(0).append(MidiEvent::note(0, 0, 60, 100, 10));
    track(1).append(MidiEvent::note(0, 1, 61, 100, 10));
    track(2).append(MidiEvent::note(0, 2, 62, 100, 10));
    track(1).muted = 1;
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(6ms);
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "92 3E 64"}));
    controller.stop();
    ASSERT_TRUE(runToEnd());
    record->clear();

    song.setSolo(1, true); // solo of a muted track: still muted
    song.setSolo(2, true);
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(6ms);
    EXPECT_EQ(sent(), (Texts{"92 3E 64"}));
    ASSERT_TRUE(runToEnd());
}

// The user keeps clicking solo, mute and the offset dial while the play thread runs: every
// change is picked up between two events, and nothing the play thread reads moves under it.
TEST_F(CMidiThreadTest, SoloMuteAndOffsetChangeWhilePlaying)
{
    for (std::int32_t tick = 0; tick < 96 * 4 * 20; tick += 12) {
        track(0).append(MidiEvent::note(tick, 0, 60, 100, 6));
        track(1).append(MidiEvent::note(tick, 1, 62, 100, 6));
    }
    ASSERT_EQ(play(), StartOutcome::Started);

    std::atomic<bool> played{false};
    std::thread playThread([&] {
        timer.advance(3s);
        played = true;
    });
    for (int click = 0; !played; ++click) {
        soloClick(song, click % 2, click % 3 == 0);
        track(0).tickOffset = click % 25 - 12;
        if (!song.soloActive())
            muteClick(song, 1);
        std::this_thread::yield();
    }
    playThread.join();

    for (const int solo : song.soloList())
        song.setSolo(solo, false);
    song.setSolo(1, true);
    track(1).muted = 0;
    timer.advance(100ms); // the last note of track 0 ends
    sent();
    timer.advance(500ms);
    const Texts after = sent();
    ASSERT_FALSE(after.empty());
    for (const std::string& text : after)
        EXPECT_EQ(text.substr(0, 2), "91") << text;
    controller.stop();
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, RunEndTellsTheStartAndTheStopMeasure)
{
    // 4/4 at 96 ticks per quarter: a measure is 384 ticks, about 2 s.
    track(0).append(MidiEvent::note(96 * 4 * 6, 0, 60, 100, 10));
    ASSERT_EQ(play(384 + 100), StartOutcome::Started);
    timer.advance(2500ms); // into measure 3 (from 0), tick about 864
    ASSERT_GT(controller.playThread()->currentTick(), 768);
    controller.stop();
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->cursorTick, 384);
    EXPECT_EQ(end->stopMeasureTick, 768);
    EXPECT_EQ(controller.lastStartTick(), 384);
    EXPECT_EQ(controller.lastStopMeasureTick(), 768);
}

TEST_F(CMidiThreadTest, StoppingClosesEverySoundingNoteAndAFullOffTableDropsNotes)
{
    for (int key = 0; key < 41; ++key)
        track(0).append(MidiEvent::note(0, 0, 20 + key, 100, 960));
    monitor.clear();
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(6ms);
    EXPECT_EQ(sent().size(), 40u); // the 41st note found no off slot and was not played
    EXPECT_NE(monitor.text().find("Can't insert NoteOff-entry for "), std::string::npos);
    controller.stop();
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    const Texts offs = sent();
    ASSERT_EQ(offs.size(), 40u);
    for (const auto& text : offs)
        EXPECT_EQ(text.substr(text.size() - 2), "00");
    const std::string log = monitor.text();
    EXPECT_LT(log.find("STARTING "), log.find("Closing Open Note ons :"));
    EXPECT_LT(log.find("Closing Open Note ons :"), log.find("MIDI play thread stopped"));
    EXPECT_FALSE(controller.runExists());
    EXPECT_FALSE(table.runActive());
}

TEST_F(CMidiThreadTest, TimingClockGoesOut24TimesAQuarterFromTheStartTick)
{
    settings.general.timingclock = true;
    track(0).append(MidiEvent::note(0, 0, 60, 100, 10));
    track(0).append(MidiEvent::note(960, 0, 60, 100, 10));
    ASSERT_EQ(play(), StartOutcome::Started);
    timer.advance(1000ms); // ticks 0..191: two quarter notes
    const Texts texts = sent();
    const auto clocks = std::count(texts.begin(), texts.end(), "F8");
    EXPECT_EQ(clocks, 48);
    EXPECT_EQ(texts.front(), "F8");
    controller.stop();
    ASSERT_TRUE(runToEnd());
}

TEST_F(CMidiThreadTest, LoopEndPostsRestartAndPendingCommandsPostInOrder)
{
    track(0).append(MidiEvent::note(0, 0, 60, 100, 10));
    EXPECT_EQ(controller.playLoop(std::nullopt, settings), StartOutcome::Refused);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, kLoopNeedsSelectionText);
    EXPECT_FALSE(controller.runExists());

    ASSERT_EQ(controller.playLoop(TickRange{10, 96}, settings), StartOutcome::Started);
    settle();
    EXPECT_EQ(controller.playThread()->request().startTick, 0);
    notifier.take();
    auto end = runToEnd();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->command, kCommandRestart);
    auto posts = notifier.take();
    std::erase_if(posts, [](const auto& post) { return post.message != kWmCommand; });
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].wparam, CommandId::Rewind);
    EXPECT_EQ(posts[1].wparam, CommandId::PlayLoop);

    ASSERT_EQ(play(), StartOutcome::Started);
    controller.setPendingCommand(kCommandUndoAndRewind);
    EXPECT_EQ(controller.play(0, std::nullopt, settings), StartOutcome::Stopped);
    notifier.take();
    end = runToEnd();
    ASSERT_TRUE(end);
    posts = notifier.take();
    std::erase_if(posts, [](const auto& post) { return post.message != kWmCommand; });
    ASSERT_EQ(posts.size(), 2u);
    EXPECT_EQ(posts[0].wparam, CommandId::Undo);
    EXPECT_EQ(posts[1].wparam, CommandId::Rewind);
    EXPECT_EQ(controller.pendingCommand(), "");

    ASSERT_EQ(play(), StartOutcome::Started);
    controller.setPendingCommand(kCommandClose);
    controller.stop();
    notifier.take();
    ASSERT_TRUE(runToEnd());
    EXPECT_EQ(postsOf(kWmClose).size(), 1u);
}

TEST_F(CMidiThreadTest, PlayEndsAtTheSongEndAndPostsMeasureStarts)
{
    EXPECT_EQ(songEndTick(song), 0) << "an empty song";
    track(0).append(MidiEvent::note(700, 0, 60, 100, 100)); // song end: 6 quarters after tick 800
    EXPECT_EQ(songEndTick(song), 800 + 6 * 96);
    ASSERT_EQ(play(), StartOutcome::Started);
    notifier.take();
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    std::vector<std::uintptr_t> measures;
    for (const auto& post : notifier.take())
        if (post.message == kPlayMeasureMessage)
            measures.push_back(post.wparam);
    EXPECT_EQ(measures, (std::vector<std::uintptr_t>{384, 768, 1152}));
    // The note sounded to its end before the run stopped.
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "90 3C 00"}));
}

TEST_F(CMidiThreadTest, TheSongEndsSixQuartersAfterItsLastNoteEndOrEvent)
{
    track(0).append(MidiEvent::note(0, 0, 60, 100, 500));
    track(1).append(MidiEvent::channelEvent(400, 0xB0, 7, 90));
    EXPECT_EQ(songEndTick(song), 500 + 576) << "a note counts to its end";
    track(1).append(MidiEvent::channelEvent(600, 0xB0, 7, 80));
    EXPECT_EQ(songEndTick(song), 600 + 576) << "another event by its tick";
    song.ppq = 480;
    EXPECT_EQ(songEndTick(song), 600 + 6 * 480);
}

TEST_F(CMidiThreadTest, PreviewTellsItsOwnerAndWaitsAtTheEnd)
{
    track(0).append(MidiEvent::note(0, 0, 60, 100, 10));
    track(0).append(MidiEvent::note(300, 0, 62, 100, 10));
    ASSERT_EQ(controller.preview(PlayKind::ValueChange, 77, 96, TickRange{100, 200}, settings), StartOutcome::Started);
    settle();
    timer.advance(2000ms);
    EXPECT_TRUE(controller.runExists());
    EXPECT_EQ(controller.playThread()->currentTick(), 200);
    std::vector<std::intptr_t> steps;
    int finished = 0;
    for (const auto& post : notifier.take()) {
        if (post.message == kPreviewStepMessage) {
            EXPECT_EQ(post.wparam, 77u);
            steps.push_back(post.lparam);
        } else if (post.message == kPreviewFinishedMessage) {
            EXPECT_EQ(post.wparam, 77u);
            ++finished;
        }
    }
    EXPECT_EQ(steps, (std::vector<std::intptr_t>{96, 192}));
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(sent(), (Texts{"90 3C 64", "90 3C 00"})); // nothing past the end
    controller.setPendingCommand(kCommandUndoAndRewind);
    controller.stop();
    ASSERT_TRUE(runToEnd());
}

class FakeKaraoke : public KaraokeHooks {
public:
    bool wanted = true;
    std::vector<std::string> calls;
    int advances = 0;
    bool open(const Song&, std::int32_t startTick) override
    {
        calls.push_back("open " + std::to_string(startTick));
        return wanted;
    }
    void countInEnded() override { calls.push_back("count-in ended"); }
    void advance(std::int32_t) override { ++advances; }
    void refresh() override { calls.push_back("refresh"); }
    void close() override { calls.push_back("close"); }
};

TEST_F(CMidiThreadTest, KaraokeWindowFollowsTheRunAndRepaintsAtMostEvery150Ms)
{
    FakeKaraoke karaoke;
    environment.karaoke = &karaoke;
    PlayController withKaraoke{environment, song, prompt};
    track(0).append(MidiEvent::note(0, 0, 60, 100, 10));
    track(0).append(MidiEvent::note(190, 0, 60, 100, 1));
    const TickRange oneSecond{0, 192}; // the run ends at tick 192, 1 s
    ASSERT_EQ(withKaraoke.play(0, oneSecond, settings), StartOutcome::Started);
    withKaraoke.playThread()->joinWorker();
    for (int i = 0; i < 200 && !withKaraoke.playThread()->ended(); ++i)
        timer.advance(10ms);
    ASSERT_TRUE(withKaraoke.finishRun());
    EXPECT_EQ(karaoke.advances, 192);
    ASSERT_GE(karaoke.calls.size(), 3u);
    EXPECT_EQ(karaoke.calls.front(), "open 0");
    EXPECT_EQ(karaoke.calls.back(), "close");
    const auto refreshes = std::count(karaoke.calls.begin(), karaoke.calls.end(), "refresh");
    EXPECT_GE(refreshes, 5);
    EXPECT_LE(refreshes, 7);

    // Not wanted by the settings: never opened, never told anything.
    karaoke = FakeKaraoke{};
    settings.karaoke.openwindow = false;
    ASSERT_EQ(withKaraoke.play(0, oneSecond, settings), StartOutcome::Started);
    withKaraoke.playThread()->joinWorker();
    for (int i = 0; i < 200 && !withKaraoke.playThread()->ended(); ++i)
        timer.advance(10ms);
    ASSERT_TRUE(withKaraoke.finishRun());
    EXPECT_TRUE(karaoke.calls.empty());
    EXPECT_EQ(karaoke.advances, 0);
}

// ---- recording ----

class RecordingTest : public CMidiThreadTest {
protected:
    RecordingTest()
    {
        track(3).channel = 4;
        settings.metronom.Instrument = 33;
    }
    StartOutcome record(std::int32_t cursor = 0)
    {
        const StartOutcome outcome = controller.record(cursor, 3, settings);
        if (outcome == StartOutcome::Started)
            settle();
        return outcome;
    }
    void key(int status, int data1, int data2)
    {
        router.onMessage({std::uint8_t(status), std::uint8_t(data1), std::uint8_t(data2), 0.0});
    }
};

TEST_F(RecordingTest, CountInClicksOneMeasureThenRecordingStartsAtTheStartTick)
{
    settings.metronom.yn = true;
    ASSERT_EQ(record(500), StartOutcome::Started); // measure 2: ticks 384..767
    auto* run = controller.playThread();
    EXPECT_TRUE(run->countInActive());
    // 382 ticks of 5.2 ms: the count-in hands over two ticks before the measure's end.
    timer.advance(1986ms);
    EXPECT_TRUE(run->countInActive());
    timer.advance(6ms);
    EXPECT_FALSE(run->countInActive());
    Texts clicks = sent();
    ASSERT_EQ(clicks.size(), 8u);
    EXPECT_EQ(clicks[0], "99 21 78");
    EXPECT_EQ(clicks[1], "99 21 00");
    EXPECT_EQ(clicks[2], "99 21 5A");
    EXPECT_EQ(clicks[6], "99 21 5A");
    EXPECT_EQ(run->currentTick(), 384);
    timer.advance(6ms);
    clicks = sent();
    ASSERT_FALSE(clicks.empty());
    EXPECT_EQ(clicks[0], "99 21 78"); // the metronome goes on after the count-in
    controller.stop();
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->wasRecording);
    EXPECT_EQ(end->recordedEvents, 0);
}

TEST_F(RecordingTest, KeysAreRecordedWithLengthsAndMergedOnlyWhenTheRunIsFinished)
{
    track(3).append(MidiEvent::channelEvent(384, 0xB4, std::uint8_t(kVolume), 100)); // existing event stays
    ASSERT_EQ(record(0), StartOutcome::Started);
    key(0x90, 50, 90);
    key(0x80, 50, 0);  // released in the count-in
    key(0x90, 52, 90); // never released
    timer.advance(2000ms);
    ASSERT_FALSE(controller.playThread()->countInActive());
    timer.advance(2000ms); // about tick 384
    key(0x95, 55, 70);     // incoming channel is dropped: the track's channel 5 (index 4)
    timer.advance(500ms);
    key(0x85, 55, 0);
    // The thru copy went to the record track's device on its channel.
    const Texts thru = sent();
    EXPECT_NE(std::find(thru.begin(), thru.end(), "94 37 46"), thru.end());
    controller.stop();
    timer.advance(10ms);
    ASSERT_TRUE(controller.playThread()->ended());
    EXPECT_EQ(track(3).eventCount(), 1); // nothing merged yet: the song belongs to this thread
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    EXPECT_EQ(end->recordedEvents, 3);
    ASSERT_EQ(track(3).eventCount(), 4);
    EXPECT_EQ(track(3).event(0).tick, 0);
    EXPECT_EQ(track(3).event(0).length, kCountInNoteLength);
    EXPECT_EQ(track(3).event(1).length, kDefaultEventLength);
    const MidiEvent& late = track(3).event(3).kind() == EventKind::Note ? track(3).event(3) : track(3).event(2);
    EXPECT_EQ(late.status, 0x94);
    EXPECT_NEAR(late.length, 96, 2);
    EXPECT_EQ(prompt.statuses, (std::vector<std::string>{std::string(kReadingBufferText), std::string(kReadyText)}));
    EXPECT_EQ(postsOf(kSongModifiedMessage).size(), 1u);
    // Input after the run goes to the current track again, and is not recorded.
    router.setCurrentTrack(0);
    key(0x90, 60, 1);
    EXPECT_EQ(sent(), (Texts{"90 3C 01"}));
}

TEST_F(RecordingTest, AFullBufferStopsTheRunAndSaysSo)
{
    ASSERT_EQ(record(0), StartOutcome::Started);
    timer.advance(2000ms);
    for (int i = 0; i < kRecordBufferSize + 5; ++i)
        key(0xB0, 7, i % 128);
    timer.advance(10ms);
    ASSERT_TRUE(controller.playThread()->ended());
    const auto end = runToEnd();
    ASSERT_TRUE(end);
    EXPECT_TRUE(end->bufferFull);
    EXPECT_EQ(track(3).eventCount(), kRecordBufferSize);
    EXPECT_EQ(prompt.statuses.back(), kRecordBufferFullText);
}

} // namespace
} // namespace velisto
