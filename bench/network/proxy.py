#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""A TCP proxy on 127.0.0.1 that holds every byte for half a round trip in each direction, as a
network with that round-trip time would, and counts the connections it is asked for. A new
connection's first bytes wait one round trip more, for the TCP handshake a real network costs
(the local connect to the proxy is instant). Bandwidth is not limited: only latency is added.
TLS passes through untouched.

    proxy.py --target PORT --rtt-ms MS [--port PORT]      (prints "port=N", runs until killed)

bench.py imports Proxy and runs it on a thread of its own."""
import argparse
import asyncio
import threading


class Proxy:
    def __init__(self, target_port, rtt_ms, port=0):
        self.target_port = target_port
        self.half = rtt_ms / 2000.0
        self.connections = 0
        self._port = port
        self._loop = None
        self._server = None
        self._ready = threading.Event()
        self._thread = None

    # ---- on the proxy's own thread ---------------------------------------------------------

    async def _pump(self, reader, writer):
        loop = asyncio.get_running_loop()
        queue = asyncio.Queue()

        async def deliver():
            while True:
                due, data = await queue.get()
                wait = due - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not data:
                    try:
                        writer.write_eof()
                    except OSError:
                        pass
                    return
                writer.write(data)
                await writer.drain()

        sender = asyncio.ensure_future(deliver())
        try:
            while True:
                data = await reader.read(256 * 1024)
                queue.put_nowait((loop.time() + self.half, data))
                if not data:
                    break
            await sender
        except (OSError, asyncio.IncompleteReadError):
            sender.cancel()

    async def _serve(self, client_reader, client_writer):
        self.connections += 1
        await asyncio.sleep(2 * self.half)
        try:
            server_reader, server_writer = await asyncio.open_connection("127.0.0.1",
                                                                         self.target_port)
        except OSError:
            client_writer.close()
            return
        await asyncio.gather(self._pump(client_reader, server_writer),
                             self._pump(server_reader, client_writer), return_exceptions=True)
        for w in (client_writer, server_writer):
            w.close()

    async def _main(self):
        self._server = await asyncio.start_server(self._serve, "127.0.0.1", self._port)
        self._port = self._server.sockets[0].getsockname()[1]
        self._ready.set()
        async with self._server:
            await self._server.serve_forever()

    def _run(self):
        self._loop = asyncio.new_event_loop()
        asyncio.set_event_loop(self._loop)
        try:
            self._loop.run_until_complete(self._main())
        except asyncio.CancelledError:
            pass
        finally:
            # Connections still open end with the loop.
            pending = asyncio.all_tasks(self._loop)
            for task in pending:
                task.cancel()
            self._loop.run_until_complete(asyncio.gather(*pending, return_exceptions=True))
            self._loop.close()

    # ---- from any thread -------------------------------------------------------------------

    @property
    def port(self):
        return self._port

    def start(self):
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()
        self._ready.wait(10)
        return self

    def stop(self):
        if self._loop is not None and self._server is not None:
            self._loop.call_soon_threadsafe(self._cancel_all)
        if self._thread is not None:
            self._thread.join(10)

    def _cancel_all(self):
        self._server.close()
        for task in asyncio.all_tasks(self._loop):
            task.cancel()


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--target", type=int, required=True)
    p.add_argument("--rtt-ms", type=float, required=True)
    p.add_argument("--port", type=int, default=0)
    a = p.parse_args()
    proxy = Proxy(a.target, a.rtt_ms, a.port).start()
    print(f"port={proxy.port}", flush=True)
    threading.Event().wait()


if __name__ == "__main__":
    main()
