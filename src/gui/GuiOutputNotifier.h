#pragma once
// The OutputNotifier event output is given in the GUI: every notice is queued to the
// user-interface thread and handed there to each subscribed window (track rows, device
// strips, the virtual keyboard), in the order the notices were sent.
//
// Thread contract: the notices from any thread (they only queue); subscribe, unsubscribe
// and the subscribers' calls on the user-interface thread. Notices still queued when the
// notifier is destroyed are dropped.

#include "midi/OutputNotifier.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace velisto {

class GuiOutputNotifier final : public OutputNotifier {
public:
    GuiOutputNotifier() = default;
    GuiOutputNotifier(const GuiOutputNotifier&) = delete;
    GuiOutputNotifier& operator=(const GuiOutputNotifier&) = delete;

    // subscriber must stay valid until it unsubscribes.
    void subscribe(OutputNotifier* subscriber);
    void unsubscribe(OutputNotifier* subscriber);

    void keyboardKey(int device, int channel, int key, int velocity) override;
    void keyboardPitch(int device, int channel, int bend) override;
    void keyboardProgram(int device, int channel, int program) override;
    void keyboardReset(int device, int channel) override;
    void levelMeter(int track, int level) override;
    void deviceWindowRefresh(int device, std::string_view field) override;
    void channelTracksChanged(int device, int channel) override;
    void knobsChanged(int device, int channel) override;
    void programNamesChanged(int device) override;

private:
    void queue(std::function<void(OutputNotifier&)> notice);

    QObject context_; // lives on the user-interface thread; queued calls run there
    std::vector<OutputNotifier*> subscribers_;
};

} // namespace velisto
