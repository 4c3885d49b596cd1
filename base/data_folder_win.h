#pragma once

// Finds the pictures folder, sets the data folder below it and creates every
// missing level. Failures are not reported: later file operations then fail.
void InitDataFolder();
