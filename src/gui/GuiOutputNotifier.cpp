#include "GuiOutputNotifier.h"

#include <QMetaObject>

#include <algorithm>

namespace velisto {

void GuiOutputNotifier::subscribe(OutputNotifier* subscriber)
{
    if (std::find(subscribers_.begin(), subscribers_.end(), subscriber) == subscribers_.end())
        subscribers_.push_back(subscriber);
}

void GuiOutputNotifier::unsubscribe(OutputNotifier* subscriber)
{
    std::erase(subscribers_, subscriber);
}

void GuiOutputNotifier::queue(std::function<void(OutputNotifier&)> notice)
{
    QMetaObject::invokeMethod(
        &context_,
        [this, notice = std::move(notice)] {
            // A copy: a subscriber may unsubscribe while it is told.
            const std::vector<OutputNotifier*> subscribers = subscribers_;
            for (OutputNotifier* subscriber : subscribers)
                if (std::find(subscribers_.begin(), subscribers_.end(), subscriber) != subscribers_.end())
                    notice(*subscriber);
        },
        Qt::QueuedConnection);
}

void GuiOutputNotifier::keyboardKey(int device, int channel, int key, int velocity)
{
    queue([=](OutputNotifier& s) { s.keyboardKey(device, channel, key, velocity); });
}

void GuiOutputNotifier::keyboardPitch(int device, int channel, int bend)
{
    queue([=](OutputNotifier& s) { s.keyboardPitch(device, channel, bend); });
}

void GuiOutputNotifier::keyboardProgram(int device, int channel, int program)
{
    queue([=](OutputNotifier& s) { s.keyboardProgram(device, channel, program); });
}

void GuiOutputNotifier::keyboardReset(int device, int channel)
{
    queue([=](OutputNotifier& s) { s.keyboardReset(device, channel); });
}

void GuiOutputNotifier::levelMeter(int track, int level)
{
    queue([=](OutputNotifier& s) { s.levelMeter(track, level); });
}

void GuiOutputNotifier::deviceWindowRefresh(int device, std::string_view field)
{
    queue([device, field = std::string(field)](OutputNotifier& s) { s.deviceWindowRefresh(device, field); });
}

void GuiOutputNotifier::channelTracksChanged(int device, int channel)
{
    queue([=](OutputNotifier& s) { s.channelTracksChanged(device, channel); });
}

void GuiOutputNotifier::knobsChanged(int device, int channel)
{
    queue([=](OutputNotifier& s) { s.knobsChanged(device, channel); });
}

void GuiOutputNotifier::programNamesChanged(int device)
{
    queue([=](OutputNotifier& s) { s.programNamesChanged(device); });
}

} // namespace velisto
