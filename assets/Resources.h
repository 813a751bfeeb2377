/* Resource ids shared by the resource script and the program. */
#pragma once

#define IDI_PROGRAM 1        /* program icon: title bar and task-bar button */
#define IDI_WINDOW_PICTURE 2 /* the globe with cable and plug on the window */
