#pragma once

// Asks the update service for the current version, stores it in
// settings.newver and saves the settings; "update.xml" never outlives it.
// Runs on the refresh thread.
void CheckVersion();
