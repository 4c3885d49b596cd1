// Keeping the weather document fresh in the background.
#pragma once

// Called when the show starts over and at every periodic check while a slide
// is held. Main thread only.
void RefreshWeather();
