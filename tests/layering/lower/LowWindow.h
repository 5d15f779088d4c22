#pragma once

int lowWindow();
