#pragma once

int up();
