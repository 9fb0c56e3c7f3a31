// Small helpers shared by the Windows unit tests.
#pragma once

#include <doctest/doctest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/dispatch.h"
#include "runtime/msgbox.h"
#include "runtime/strings.h"
#include "runtime/testing.h"

namespace doctest {
template <>
struct StringMaker<std::u16string> {
    static String convert(const std::u16string& s) { return rt::ToUtf8(s).c_str(); }
};
}  // namespace doctest

// A message box that is answered by the test and remembered.
struct ShownBox {
    std::u16string prompt, title;
    int style;
};

class ScriptedBoxes {
public:
    explicit ScriptedBoxes(int answer = rt::vbOK) : answer_(answer) {
        rt::testing::SetMsgBoxHandler([this](const std::u16string& p, int s, const std::u16string& t) {
            shown.push_back({p, t, s});
            return answer_;
        });
        rt::testing::SetEndAction([] {});
    }
    ~ScriptedBoxes() { rt::testing::SetMsgBoxHandler({}); }
    void Answer(int answer) { answer_ = answer; }
    std::vector<ShownBox> shown;

private:
    int answer_;
};
