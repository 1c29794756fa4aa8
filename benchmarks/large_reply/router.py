"""A router that answers one command with a single line of SIZE MiB.

    router.py SIZE COMMAND      prints its port, serves until killed

It logs nobody in (the prompt comes at once) and answers every other command
with nothing; "show virtual-router" lists the default virtual router so that
discovery goes on to the per-router commands.
"""
import socket
import sys
import threading

size = int(sys.argv[1]) << 20
big_command = sys.argv[2]
line = b"x" * size
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind(("127.0.0.1", 0))
server.listen(4)
print(server.getsockname()[1], flush=True)


def serve(client):
    client.sendall(b"\r\nr1#")
    pending = b""
    while True:
        data = client.recv(4096)
        if not data:
            return
        pending += data
        while b"\n" in pending:
            command, pending = pending.split(b"\n", 1)
            command = command.strip(b"\r").decode(errors="replace")
            client.sendall(command.encode() + b"\r\n")
            if command == "show virtual-router" and command != big_command:
                client.sendall(b"Virtual Router   Router ID   Type\r\ndefault   10.0.0.1   default\r\n")
            if command == big_command:
                client.sendall(line + b"\r\n")
            client.sendall(b"r1#")


while True:
    connection, _ = server.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
