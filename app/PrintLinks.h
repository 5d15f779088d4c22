#pragma once

struct PrintLinks;

// What the print window needs of the line table, the browser and the main menu.
PrintLinks printLinks();
