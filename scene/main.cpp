#include "framework/framework.h"
#include "scene/snowfall.h"

int main() { fw::RunApplication(SnowfallMain); }
