// The weather cache on Windows: the data folder's files, WinINet, the system
// clock and the weather thread. Main thread only.
#pragma once

// Called by the photo scan and at every periodic check while a slide is held.
void RefreshWeather();

// Forgets the report and deletes weather.xml, so the next run fetches at once
// (the setup dialog calls it when the user picks another location).
void DiscardWeather();

// Called by the photo scan: deletes weather.xml.tmp, the answer of a fetch
// that never ended, unless the weather thread runs and is writing it.
void RemoveWeatherLeftover();
