#pragma once

namespace telbo {

class Telbo;

// The tag view and the tag editor under the track list.
class TagEditor {
public:
    explicit TagEditor(Telbo& w) : w(w) {}
    void lblShowTag_Click();
    void LoadTagView(int i);
    void LoadTagEditor(int i);
    void ShowEditTag(int i);
    void StoreEditTag(int i);
    void lblTagSet_Click(int index);

private:
    Telbo& w;
};

} // namespace telbo
