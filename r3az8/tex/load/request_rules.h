// A request's argument checks as a table: each rule says when it is broken,
// what the debug channel hears and what the call answers. The first broken
// rule decides.
#pragma once

#include "r3az8/tex/debug.h"

#include <initializer_list>

struct RequestRule {
    bool broken;
    const char* message;
    HRESULT result;
};

// S_OK when no rule is broken; else the first broken rule's result, after
// printing its message.
inline HRESULT FirstBrokenRule(std::initializer_list<RequestRule> rules)
{
    for (const RequestRule& rule : rules) {
        if (rule.broken) {
            DebugPrintf(0, "%s", rule.message);
            return rule.result;
        }
    }
    return S_OK;
}
