#include "weather/weather_refresh_win.h"

// The weather thread is started from here once the weather fetch exists.
void RefreshWeather() {}
