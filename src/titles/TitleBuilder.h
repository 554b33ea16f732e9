#pragma once

namespace telbo {

class Telbo;

// The title line, the window caption, the list name and the current track number.
class TitleBuilder {
public:
    explicit TitleBuilder(Telbo& w) : w(w) {}
    void BuildTitle();
    void lblScrollTitle_Click(int index);
    // The template text changed (typed or set in code).
    void txtScrollTitle_Change();

private:
    Telbo& w;
};

} // namespace telbo
