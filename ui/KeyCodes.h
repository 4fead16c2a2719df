#pragma once
// The key codes the windows' key handlers receive, the same for every list.

#include <cstdint>

class QKeyEvent;

// Key code of the Delete key as the handlers receive it.
inline constexpr int16_t vbKeyDelete = 46;
inline constexpr int16_t vbKeyReturn = 13;
inline constexpr int16_t vbKeyInsert = 45;

// Letters and digits as they are, Delete, Enter and Insert as their codes, every other key 0.
int keyCodeOf(const QKeyEvent &event);
