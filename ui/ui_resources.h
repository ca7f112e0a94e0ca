#pragma once

// Registers the icons and the splash picture. They are compiled into the torven_ui
// library, and a static library's resources are only there once registered; every window
// that uses them calls this first (repeated calls cost nothing).
void LoadUiResources();
