// The capture component: lists the capture adapters, opens one (or a capture
// file) with a filter, and runs one capture thread that reads frames and hands
// each accepted one over to the main thread.
//
// Threads: everything here is called on the main thread, except what the
// capture thread runs itself (TSnoopThread::Execute, AcceptFrame, the frame
// hook, and ProcessPacket when ThreadSafe is false). With ThreadSafe the
// capture thread hands each frame over and blocks until it has been handled;
// the main thread runs hand-overs when its wake function schedules
// RunPendingHandOver(), while Close() waits, or in ServeFor()/ServeUntilThreadEnds().
// Close() must not be called from inside the OnCaptureTCPData handler.
//
// Links: Open refuses an adapter whose link type the header tests cannot read
// (IsReadableLinkType), naming it in LastError, rather than capture nothing.
// A capture that ends by itself (the device vanished, a read error, the end of
// a file) is reported through OnCaptureEnded with libpcap's reason; a Close is
// not. The adapter list with each device's facts (Adapters) is read again by
// RefreshAdapters, which keeps the selected adapter by name.
//
// One class a file: TSnoopThread (snoop_thread.h), TCustomSnoop
// (custom_snoop.h), TSnoopTCPData (snoop_tcp_data.h); the event types they
// share in snoop_events.h.
#pragma once

#include "capture/custom_snoop.h"
#include "capture/snoop_events.h"
#include "capture/snoop_tcp_data.h"
#include "capture/snoop_thread.h"
