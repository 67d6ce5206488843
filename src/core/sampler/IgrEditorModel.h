#pragma once
// The state and operations of the instrument group file editor: the 128 program lists and
// 128 drum lists of sample names, the .igr file name, the sample directory, the selected
// program and drum key and the modified flag. The dialog shows what this gives and calls
// these operations with what the user chose in its file dialogs; messages and questions
// go through the UserPrompt (caption "Velisto"). The editor never touches the SampleMap.
// Thread contract: user-interface thread only.

#include "app/UserPrompt.h"
#include "sampler/IgrFile.h"
#include "sampler/SampleInfo.h"

#include <functional>
#include <string>
#include <vector>

namespace velisto {

enum class IgrSection { Programs, Drums };

enum class IgrSaveAsResult { Saved, WrongDirectory, NotSaved };

class IgrEditorModel {
public:
    IgrEditorModel(UserPrompt& prompt, SampleInfoReader reader);

    const IgrLists& lists() const { return lists_; }
    const std::string& fileName() const { return fileName_; }         // empty for a new group
    const std::string& sampleDirectory() const { return directory_; } // ends with '/'; empty: not chosen yet
    bool modified() const { return modified_; }
    // "Instrument group [" name "]", " *" appended while modified.
    std::string title() const;

    // ---- selectors: program and drum key 0..127; "-" and "+" stop at the ends ----
    int selected(IgrSection section) const;
    void select(IgrSection section, int number); // clamped to 0..127
    void step(IgrSection section, int delta);
    // "1 of 128 Instruments", "36 of 128 drum-instruments" (counted from 1).
    std::string selectorText(IgrSection section) const;

    // ---- the list of the selected program or drum key ----
    std::vector<std::string> names(IgrSection section) const;
    // One line per sample: name, for programs ", key " and the original key's name,
    // ", velocity " low "-" high; " load err" instead when the file cannot be read.
    std::vector<std::string> shownLines(IgrSection section) const;
    // The names separated by ',' for the clipboard.
    std::string copyText(IgrSection section) const;

    // ---- file operations ----
    // While modified asks "Save changes ?" (Yes, No, Cancel): Yes calls save, which the
    // dialog supplies since it may need a file name first. False when the user cancelled
    // or the save failed: the close, new or open must not go on.
    bool confirmDiscard(const std::function<bool()>& save);
    bool newFile(const std::function<bool()>& save);
    // False when cancelled or the file could not be read ("Can't read file", "No valid
    // Velisto .igr file"); the editor then keeps what it had.
    bool open(const std::string& path, const std::function<bool()>& save);
    // Writes to the current file name; false without one (the dialog asks for a name and
    // calls saveAs) or when the write was cancelled.
    bool save();
    // ".igr" is appended to a name without extension. WrongDirectory (".igr file must be
    // in the directory of the .wav files !" shown) when samples are listed and path lies
    // elsewhere: the dialog opens again.
    IgrSaveAsResult saveAs(const std::string& path);

    // ---- list operations on the selected program or drum key ----
    // Files chosen in the file dialog, full paths.
    void addSamples(IgrSection section, const std::vector<std::string>& paths);
    // Indices into names(section).
    void removeSamples(IgrSection section, const std::vector<int>& indices);
    // Names separated by ',' or ';' (the clipboard's text).
    void pasteNames(IgrSection section, const std::string& text);

private:
    std::string& list(IgrSection section);
    const std::string& list(IgrSection section) const;
    bool contains(IgrSection section, const std::string& name) const;
    void append(IgrSection section, const std::string& name);
    void error(const std::string& text) const;
    std::string duplicateText(IgrSection section, const std::string& name) const;

    UserPrompt& prompt_;
    SampleInfoReader reader_;
    IgrLists lists_;
    std::string fileName_;
    std::string directory_;
    int program_ = 0;
    int drum_ = 0;
    bool modified_ = false;
};

// The name of an original key as the editor shows it: note name for 0..127, "?" for
// none, "C*".."B*" for the joker keys 128..139, "bad key" above.
std::string editorKeyText(int key);
// "low-high" limited to 1..127; "1-127" when low > high after limiting.
std::string editorVelocityText(int low, int high);

} // namespace velisto
