// The saver's own windows and application object are built on these headers alone, without
// the display's or the toolkit's headers: including them must not bring those in.

#include "app/framework/loop_watchdog.h"
#include "app/framework/message_queue.h"
#include "app/framework/profile_store.h"
#include "app/framework/system.h"
#include "app/framework/types.h"
#include "app/framework/win_app.h"
#include "app/framework/window_class.h"
#include "app/framework/wnd.h"
#include "app/saver_app.h"

#if defined(_X11_XLIB_H_) || defined(__G_LIB_H__) || defined(__GTK_H__) || defined(GDK_PIXBUF_H)
#error "a public header of the framework includes the display's or the toolkit's headers"
#endif
