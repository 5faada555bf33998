#pragma once
// A short sine tone on the machine's sound output, for the ear of someone not looking at the screen.

namespace vostrel::platform {

// Starts a hz tone of ms milliseconds through the sound server or ALSA player, without waiting for it
// to finish. Answers false when the machine offers no way to play it; the caller then beeps instead.
bool PlayTone(int hz, int ms);

}  // namespace vostrel::platform
