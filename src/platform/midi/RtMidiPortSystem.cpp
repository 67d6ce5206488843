#include "midi/RtMidiPortSystem.h"

#include "midi/GuardedOpen.h"
#include "midi/JackMidiClient.h"
#include "midi/MidiOutFramer.h"

#include <RtMidi.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <set>
#include <utility>

namespace velisto {

namespace {

// RtMidi 5 hands JACK messages to its process callback through a 16 KiB ring buffer and
// silently drops a message that does not fit whole (4 bytes of it go to the length).
constexpr std::size_t jackMaxMessageBytes = 16379;

constexpr const char* alsaSequencerDevice = "/dev/snd/seq";

RtMidi::Api rtMidiApi(RtMidiApi api) { return api == RtMidiApi::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK; }

// What RtMidi reported through its error callback since the last clear(). With a callback
// set RtMidi reports instead of throwing, also for failed sends, which it reports as
// warnings; only the first report counts, the rest usually follow from it.
struct RtMidiProblem {
    bool reported = false;
    RtMidiError::Type type = RtMidiError::UNSPECIFIED;
    std::string text;

    void clear()
    {
        reported = false;
        type = RtMidiError::UNSPECIFIED;
        text.clear();
    }
    bool isError() const { return reported && type != RtMidiError::WARNING; }
};

void collectProblem(RtMidiError::Type type, const std::string& text, void* data)
{
    auto* problem = static_cast<RtMidiProblem*>(data);
    if (problem->reported || type == RtMidiError::DEBUG_WARNING)
        return;
    problem->reported = true;
    problem->type = type;
    try {
        problem->text = text;
    } catch (...) {
        problem->text.clear(); // keep the type; the words are a luxury when memory is out
    }
}

// Throws whatever RtMidi's constructor throws; callers catch.
std::unique_ptr<RtMidiOut> makeRtMidiOut(RtMidiApi api, RtMidiProblem& problem)
{
    auto out = std::make_unique<RtMidiOut>(rtMidiApi(api), std::string(RtMidiPortSystem::clientName));
    out->setErrorCallback(collectProblem, &problem);
    return out;
}

// Throws whatever RtMidi's constructor throws; callers catch.
std::unique_ptr<RtMidiIn> makeRtMidiIn(RtMidiApi api, RtMidiProblem& problem)
{
    auto in = std::make_unique<RtMidiIn>(rtMidiApi(api), std::string(RtMidiPortSystem::clientName));
    in->setErrorCallback(collectProblem, &problem);
    return in;
}

std::vector<std::string> rtMidiPortNames(RtMidi& out)
{
    std::vector<std::string> names;
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count; ++i)
        names.push_back(out.getPortName(i));
    return names;
}

// "Midi Through:Midi Through Port-0 14:0" -> "Midi Through:Midi Through Port-0".
std::string withoutAlsaAddress(const std::string& name)
{
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t end = name.size();
    const auto skipDigits = [&] {
        const std::size_t stop = end;
        while (end > 0 && isDigit(name[end - 1]))
            --end;
        return end < stop;
    };
    if (!skipDigits() || end == 0 || name[end - 1] != ':')
        return name;
    --end;
    if (!skipDigits() || end == 0 || name[end - 1] != ' ')
        return name;
    return name.substr(0, end - 1);
}

bool mentionsBusy(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    for (const char* word : {"in use", "busy", "already"})
        if (lower.find(word) != std::string::npos)
            return true;
    return false;
}

MidiOpenError classifyOpenFailure(RtMidiError::Type type, std::string_view text)
{
    switch (type) {
    case RtMidiError::INVALID_PARAMETER:
    case RtMidiError::INVALID_DEVICE:
    case RtMidiError::NO_DEVICES_FOUND:
        return MidiOpenError::BadDeviceId;
    case RtMidiError::MEMORY_ERROR:
        return MidiOpenError::NoMemory;
    case RtMidiError::DRIVER_ERROR:
    case RtMidiError::SYSTEM_ERROR:
        return mentionsBusy(text) ? MidiOpenError::AlreadyAllocated : MidiOpenError::Other;
    default:
        return MidiOpenError::Other;
    }
}

// Opens the port listed under name as our own port ownPortName. The port is looked up by
// name again because the index a device stored may belong to another port by now (and
// RtMidi on JACK "opens" an index that no longer exists). Fills result's error and detail
// and returns false on failure; may throw what RtMidi throws.
template <typename OpenResult>
bool openListedPort(RtMidi& midi, RtMidiApi api, RtMidiProblem& problem, const std::string& name,
                    std::string_view direction, std::string_view ownPortName, OpenResult& result)
{
    const auto ports = RtMidiPortSystem::listPorts(api, rtMidiPortNames(midi));
    const auto port =
        std::find_if(ports.begin(), ports.end(), [&](const RtMidiPortSystem::ListedPort& p) { return p.name == name; });
    if (port == ports.end()) {
        result.error = MidiOpenError::BadDeviceId;
        result.detail = "the MIDI " + std::string(direction) + " port \"" + name + "\" is no longer there";
        if (problem.reported)
            result.detail += " (" + problem.text + ")";
        return false;
    }
    problem.clear();
    midi.openPort(port->rtMidiIndex, std::string(ownPortName));
    if (problem.isError() || !midi.isPortOpen()) {
        result.error = classifyOpenFailure(problem.type, problem.text);
        result.detail = problem.reported ? problem.text : "RtMidi did not open the port";
        return false;
    }
    return true;
}

class RtMidiOutPort : public MidiOutPort {
public:
    explicit RtMidiOutPort(RtMidiApi api)
        : api_(api), maxMessageBytes_(api == RtMidiApi::Jack ? jackMaxMessageBytes : SIZE_MAX)
    {
    }

    ~RtMidiOutPort() override
    {
        // RtMidi's JACK close waits until the messages sent so far have left.
        try {
            if (out_)
                out_->closePort();
        } catch (...) {
        }
    }

    RtMidiOutPort(const RtMidiOutPort&) = delete;
    RtMidiOutPort& operator=(const RtMidiOutPort&) = delete;

    // Opens the port listed under name; may throw what RtMidi throws.
    void open(const std::string& name, MidiOutOpenResult& result)
    {
        out_ = makeRtMidiOut(api_, problem_);
        openListedPort(*out_, api_, problem_, name, "output", RtMidiPortSystem::outputPortName, result);
    }

    bool sendShort(std::span<const std::uint8_t> bytes) override
    {
        const auto message = framer_.frameShort(bytes);
        return message && transmit(message->view());
    }

    bool sendLong(std::span<const std::uint8_t> bytes) override
    {
        if (bytes.size() > maxMessageBytes_)
            return false;
        return framer_.acceptLong(bytes) && transmit(bytes);
    }

private:
    bool transmit(std::span<const std::uint8_t> bytes)
    {
        problem_.clear();
        try {
            out_->sendMessage(bytes.data(), bytes.size());
        } catch (...) {
            return false;
        }
        return !problem_.reported;
    }

    RtMidiApi api_;
    std::size_t maxMessageBytes_;
    RtMidiProblem problem_; // before out_: RtMidi keeps a pointer to it
    std::unique_ptr<RtMidiOut> out_;
    MidiOutFramer framer_;
};

void ignoreProblem(RtMidiError::Type, const std::string&, void*) {}

class RtMidiInPort : public MidiInPort {
public:
    RtMidiInPort(RtMidiApi api, MidiInCallback callback) : api_(api), callback_(std::move(callback)) {}

    ~RtMidiInPort() override
    {
        stop();
        // Closing joins RtMidi's input thread (ALSA) or leaves the process cycle (JACK).
        try {
            if (in_)
                in_->closePort();
        } catch (...) {
        }
    }

    RtMidiInPort(const RtMidiInPort&) = delete;
    RtMidiInPort& operator=(const RtMidiInPort&) = delete;

    // Opens the port listed under name; may throw what RtMidi throws.
    void open(const std::string& name, MidiInOpenResult& result)
    {
        in_ = makeRtMidiIn(api_, problem_);
        // Sysex, timing (clock, time code) and active sensing are not wanted; RtMidi drops
        // them before they cost a callback.
        in_->ignoreTypes(true, true, true);
        in_->setCallback(receive, this);
        if (!openListedPort(*in_, api_, problem_, name, "input", RtMidiPortSystem::inputPortName, result))
            return;
        // From here RtMidi's own thread may report; nobody would read it, and without an
        // error callback RtMidi would throw on that thread.
        in_->setErrorCallback(ignoreProblem, nullptr);
    }

    bool start() override
    {
        std::lock_guard lock(mutex_);
        startedAt_ = std::chrono::steady_clock::now();
        firstMessage_ = true;
        started_ = true;
        return true;
    }

    void stop() override
    {
        std::lock_guard lock(mutex_);
        started_ = false;
    }

private:
    // RtMidi's thread. Its time stamp is the time since the previous message by the MIDI
    // system's clock; the first one after start is placed by our clock.
    static void receive(double delta, std::vector<unsigned char>* bytes, void* data)
    {
        auto* self = static_cast<RtMidiInPort*>(data);
        if (bytes == nullptr)
            return;
        std::lock_guard lock(self->mutex_);
        if (!self->started_)
            return;
        if (self->firstMessage_) {
            self->firstMessage_ = false;
            self->time_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - self->startedAt_).count();
        } else if (delta > 0.0) {
            self->time_ += delta;
        }
        const auto message = shortInputMessage(*bytes, self->time_);
        if (!message || !self->callback_)
            return;
        try {
            self->callback_(*message);
        } catch (...) {
            // Nothing may unwind into RtMidi's thread.
        }
    }

    RtMidiApi api_;
    MidiInCallback callback_;
    std::mutex mutex_; // held while the callback runs, so stop() waits for it
    bool started_ = false;
    bool firstMessage_ = true;
    double time_ = 0.0;
    std::chrono::steady_clock::time_point startedAt_;
    RtMidiProblem problem_; // before in_: RtMidi keeps pointers to it and to this
    std::unique_ptr<RtMidiIn> in_;
};

} // namespace

std::unique_ptr<RtMidiPortSystem> RtMidiPortSystem::create(RtMidiApi api, std::string& error)
{
    error.clear();
    if (api == RtMidiApi::Jack) {
        if (!JackMidiClient::serverRuns()) {
            error = "no JACK server is running";
            return nullptr;
        }
    } else {
        // Asking RtMidi without a sequencer makes ALSA and RtMidi complain on stderr; the
        // device tells the same without that.
        const int fd = ::open(alsaSequencerDevice, O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error =
                std::string("the ALSA sequencer cannot be used: ") + alsaSequencerDevice + ": " + std::strerror(errno);
            return nullptr;
        }
        ::close(fd);
        try {
            RtMidiProblem problem;
            makeRtMidiOut(api, problem); // opens a sequencer client and closes it again
        } catch (const std::exception& e) {
            error = std::string("the ALSA sequencer cannot be used: ") + e.what();
            return nullptr;
        } catch (...) {
            error = "the ALSA sequencer cannot be used";
            return nullptr;
        }
    }
    std::unique_ptr<RtMidiPortSystem> system(new (std::nothrow) RtMidiPortSystem(api));
    if (!system)
        error = "out of memory";
    return system;
}

// RtMidi's own errors carry the kind of failure; anything else is an "other" one.
template <typename Result> void classifyRtMidiFailure(const std::exception& e, Result& result)
{
    if (const auto* rtMidi = dynamic_cast<const RtMidiError*>(&e)) {
        result.error = classifyOpenFailure(rtMidi->getType(), rtMidi->getMessage());
        result.detail = rtMidi->getMessage();
    } else {
        otherOpenFailure(e, result);
    }
}

// The names of the ports one direction lists; problem: why listing failed, else empty.
template <typename MakePort>
std::vector<std::string> listedNames(RtMidiApi api, MakePort makePort, std::string& listingProblem)
{
    std::vector<std::string> names;
    listingProblem.clear();
    RtMidiProblem problem;
    try {
        auto port = makePort(api, problem);
        for (RtMidiPortSystem::ListedPort& listed : RtMidiPortSystem::listPorts(api, rtMidiPortNames(*port)))
            names.push_back(std::move(listed.name));
    } catch (const std::exception& e) {
        names.clear();
        listingProblem = e.what();
    } catch (...) {
        names.clear();
        listingProblem = "the MIDI ports could not be listed";
    }
    if (listingProblem.empty() && problem.reported)
        listingProblem = problem.text;
    return names;
}

std::string RtMidiPortSystem::apiName() const { return api_ == RtMidiApi::Alsa ? "alsa" : "jack"; }

std::vector<std::string> RtMidiPortSystem::outputPortNames()
{
    listed_ = true;
    names_ = listedNames(
        api_, [](RtMidiApi api, RtMidiProblem& problem) { return makeRtMidiOut(api, problem); }, lastListingProblem_);
    return names_;
}

MidiOutOpenResult RtMidiPortSystem::openOutput(int portId)
{
    return guardedOpen<MidiOutOpenResult>([&](MidiOutOpenResult& result) {
        if (!listed_)
            outputPortNames();
        if (portId < 0 || static_cast<std::size_t>(portId) >= names_.size()) {
            result.error = MidiOpenError::BadDeviceId;
            result.detail = "there is no MIDI output port " + std::to_string(portId) + " (" +
                            std::to_string(names_.size()) + " listed)";
            return;
        }
        auto port = std::make_unique<RtMidiOutPort>(api_);
        port->open(names_[static_cast<std::size_t>(portId)], result);
        if (result.error == MidiOpenError::None)
            result.port = std::move(port);
    }, classifyRtMidiFailure<MidiOutOpenResult>);
}

std::vector<std::string> RtMidiPortSystem::inputPortNames()
{
    inputListed_ = true;
    inputNames_ = listedNames(
        api_, [](RtMidiApi api, RtMidiProblem& problem) { return makeRtMidiIn(api, problem); }, lastListingProblem_);
    return inputNames_;
}

MidiInOpenResult RtMidiPortSystem::openInput(int portId, MidiInCallback callback)
{
    return guardedOpen<MidiInOpenResult>([&](MidiInOpenResult& result) {
        if (!inputListed_)
            inputPortNames();
        if (portId < 0 || static_cast<std::size_t>(portId) >= inputNames_.size()) {
            result.error = MidiOpenError::BadDeviceId;
            result.detail = "there is no MIDI input port " + std::to_string(portId) + " (" +
                            std::to_string(inputNames_.size()) + " listed)";
            return;
        }
        auto port = std::make_unique<RtMidiInPort>(api_, std::move(callback));
        port->open(inputNames_[static_cast<std::size_t>(portId)], result);
        if (result.error == MidiOpenError::None)
            result.port = std::move(port);
    }, classifyRtMidiFailure<MidiInOpenResult>);
}

std::vector<RtMidiPortSystem::ListedPort> RtMidiPortSystem::listPorts(RtMidiApi api,
                                                                      const std::vector<std::string>& rtMidiNames)
{
    std::vector<ListedPort> ports;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < rtMidiNames.size(); ++i) {
        const std::string name = api == RtMidiApi::Alsa ? withoutAlsaAddress(rtMidiNames[i]) : rtMidiNames[i];
        if (name.empty() || isOwnPort(name))
            continue;
        std::string unique = name;
        for (int repeat = 2; taken.count(unique) != 0; ++repeat)
            unique = name + " (" + std::to_string(repeat) + ")";
        taken.insert(unique);
        ports.push_back({static_cast<unsigned>(i), std::move(unique)});
    }
    return ports;
}

bool RtMidiPortSystem::isOwnPort(std::string_view portName)
{
    const std::string_view client = portName.substr(0, portName.find(':'));
    if (client == clientName)
        return true;
    // JACK's name for a second client of the same name: "Velisto-01".
    if (client.size() <= clientName.size() + 1 || client.substr(0, clientName.size()) != clientName ||
        client[clientName.size()] != '-')
        return false;
    const std::string_view number = client.substr(clientName.size() + 1);
    return std::all_of(number.begin(), number.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

} // namespace velisto
