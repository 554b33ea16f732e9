#pragma once

namespace telbo {

class Telbo;

// The list/track view switch, the five editing commands, selection and double-clicks.
class ListEditor {
public:
    explicit ListEditor(Telbo& w) : w(w) {}
    void lblListSelect_Click(int index);
    void lblListSet_Click(int index);
    void lstFile_Click(int index);
    void lstFile_DblClick(int index);

private:
    Telbo& w;
};

} // namespace telbo
