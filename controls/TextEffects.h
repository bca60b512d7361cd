#pragma once
// The text-effect labels as one set, for the application's start-up.

// Makes the rotated label and the state-styled label known to the layout reader.
void RegisterTextEffectControls();
