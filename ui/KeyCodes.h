#pragma once
// The key codes the windows' key handlers receive, the same for every list.

#include <cstdint>

class QKeyEvent;

// Key code of the Delete key as the handlers receive it.
inline constexpr int16_t vbKeyDelete = 46;

// Letters and digits as they are, Delete as vbKeyDelete, every other key 0.
int keyCodeOf(const QKeyEvent &event);
