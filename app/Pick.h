#pragma once

struct PickLinks;

// What the browser's "Добави" does with the current record of each table: a
// client or the own company onto the page, a bank into its fields, goods
// into a line of the line table after the quantity is asked and the stock
// taken.
PickLinks pickLinks();
