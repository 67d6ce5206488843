#pragma once
// Opening a port runs code that may throw (the MIDI libraries, allocation); the port
// systems hand callers result values instead. guardedOpen runs open and turns whatever it
// throws into the result's error; a failed result holds no port.
//
// Thread contract: whichever thread opens the port.

#include "midi/MidiPortSystem.h"

#include <exception>
#include <new>

namespace velisto {

// The plain reading of a library exception: an "other" failure with its text.
template <typename Result> void otherOpenFailure(const std::exception& e, Result& result)
{
    result.error = MidiOpenError::Other;
    result.detail = e.what();
}

// classify(e, result) reads an exception that is not an allocation failure; a backend
// whose library throws its own kind passes a reading that knows it.
template <typename Result, typename Open, typename Classify>
Result guardedOpen(Open&& open, Classify&& classify)
{
    Result result;
    try {
        open(result);
    } catch (const std::bad_alloc&) {
        result.error = MidiOpenError::NoMemory;
        result.detail = "out of memory";
    } catch (const std::exception& e) {
        classify(e, result);
    } catch (...) {
        result.error = MidiOpenError::Other;
        result.detail = "unknown failure";
    }
    if (result.error != MidiOpenError::None)
        result.port.reset();
    return result;
}

template <typename Result, typename Open> Result guardedOpen(Open&& open)
{
    return guardedOpen<Result>(open, otherOpenFailure<Result>);
}

} // namespace velisto
