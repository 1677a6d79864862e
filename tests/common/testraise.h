// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The error number a call raises, 0 when it raises none.
#include "platform/errors.h"

template <class F>
int RaisedNumber(F &&call)
{
    try {
        call();
    } catch (const VbError &e) {
        return e.Number;
    }
    return 0;
}
