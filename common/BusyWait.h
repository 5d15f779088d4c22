#pragma once

// How long a table that another program (or machine) is writing is waited
// for before an action on it gives up.
constexpr int BusyTimeoutSeconds = 5;
