#pragma once

#include "desktop/Failure.h"

#include <QString>

// The user's text of the failure that the action throws; empty when it goes through.
template <typename Action> QString failureOf(Action&& action) {
    try {
        action();
    } catch (const desktop::Failure& failure) {
        return failure.description();
    }
    return {};
}
