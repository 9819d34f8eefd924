#!/usr/bin/python3
"""Reads a running program through the desktop's accessibility interface (AT-SPI on D-Bus), the
way a screen reader does. Runs against the session bus in DBUS_SESSION_BUS_ADDRESS.

  atspi_dump.py --enable             switch accessibility on for programs started from now on
  atspi_dump.py [--app NAME]         print the program's tree, one line per object
  atspi_dump.py --json [--app NAME]  the same as a JSON list (what the tests parse)
  atspi_dump.py --watch SECONDS      print every change of a name or value as it is announced
  atspi_dump.py --press ROLE NAME    do the default action of the first object with that role
                                     and name (a push button's press)

Only plain D-Bus calls, no caches: each run reads what the program says at that moment.
"""
import argparse
import json
import sys
import time

import dbus

ACC = 'org.a11y.atspi.Accessible'
PROPS = 'org.freedesktop.DBus.Properties'
ROOT = ('org.a11y.atspi.Registry', '/org/a11y/atspi/accessible/root')
STATES = ['invalid', 'active', 'armed', 'busy', 'checked', 'collapsed', 'defunct', 'editable',
          'enabled', 'expandable', 'expanded', 'focusable', 'focused', 'has-tooltip',
          'horizontal', 'iconified', 'modal', 'multi-line', 'multiselectable', 'opaque',
          'pressed', 'resizable', 'selectable', 'selected', 'sensitive', 'showing',
          'single-line', 'stale', 'transient', 'vertical', 'visible']


def a11y_bus():
    session = dbus.SessionBus()
    bus = session.get_object('org.a11y.Bus', '/org/a11y/bus')
    return dbus.bus.BusConnection(dbus.Interface(bus, 'org.a11y.Bus').GetAddress())


def enable():
    session = dbus.SessionBus()
    bus = session.get_object('org.a11y.Bus', '/org/a11y/bus')
    dbus.Interface(bus, PROPS).Set('org.a11y.Status', 'IsEnabled', dbus.Boolean(True))


def states(bits):
    out = []
    for word, value in enumerate(bits):
        for bit in range(32):
            i = word * 32 + bit
            if value & (1 << bit) and i < len(STATES):
                out.append(STATES[i])
    return out


def read(bus, ref, window, depth, nodes):
    obj = bus.get_object(ref[0], ref[1], introspect=False)
    acc = dbus.Interface(obj, ACC)
    props = dbus.Interface(obj, PROPS)
    node = {
        'depth': depth,
        'role': str(acc.GetRoleName()),
        'name': str(props.Get(ACC, 'Name')),
        'description': str(props.Get(ACC, 'Description')),
        'states': states(acc.GetState()),
        'window': window,
    }
    interfaces = acc.GetInterfaces()
    if 'org.a11y.atspi.Value' in interfaces:
        for key, prop in (('value', 'CurrentValue'), ('min', 'MinimumValue'),
                          ('max', 'MaximumValue')):
            node[key] = float(props.Get('org.a11y.atspi.Value', prop))
    if 'org.a11y.atspi.Text' in interfaces:
        node['text'] = str(dbus.Interface(obj, 'org.a11y.atspi.Text').GetText(0, -1))
    nodes.append(node)
    if depth == 1:
        window = node['name']  # the top-level windows of the program
    for child in acc.GetChildren():
        read(bus, (str(child[0]), str(child[1])), window, depth + 1, nodes)


def tree(app):
    bus = a11y_bus()
    root = dbus.Interface(bus.get_object(*ROOT, introspect=False), ACC)
    nodes = []
    for child in root.GetChildren():
        obj = bus.get_object(str(child[0]), str(child[1]), introspect=False)
        if str(dbus.Interface(obj, PROPS).Get(ACC, 'Name')) == app:
            read(bus, (str(child[0]), str(child[1])), '', 0, nodes)
            break
    return nodes


def line(n):
    text = '  ' * n['depth'] + '%s "%s"' % (n['role'], n['name'])
    if n['description']:
        text += ' description="%s"' % n['description']
    if 'value' in n:
        text += ' value=%g range=%g..%g' % (n['value'], n['min'], n['max'])
    if 'text' in n and n['text'] != n['name']:
        text += ' text="%s"' % n['text'].replace('\n', '\\n')[:80]
    shown = [s for s in n['states'] if s in ('checked', 'showing', 'editable', 'focused')]
    if not 'enabled' in n['states']:
        shown.append('disabled')
    if shown:
        text += ' [' + ','.join(shown) + ']'
    return text


def press(app, role, name):
    bus = a11y_bus()
    found = []

    def walk(ref):
        obj = bus.get_object(ref[0], ref[1], introspect=False)
        acc = dbus.Interface(obj, ACC)
        if (str(acc.GetRoleName()) == role and
                str(dbus.Interface(obj, PROPS).Get(ACC, 'Name')) == name):
            found.append(obj)
            return
        for child in acc.GetChildren():
            if not found:
                walk((str(child[0]), str(child[1])))

    root = dbus.Interface(bus.get_object(*ROOT, introspect=False), ACC)
    for child in root.GetChildren():
        obj = bus.get_object(str(child[0]), str(child[1]), introspect=False)
        if str(dbus.Interface(obj, PROPS).Get(ACC, 'Name')) == app:
            walk((str(child[0]), str(child[1])))
    if not found:
        sys.exit('no %s named "%s"' % (role, name))
    dbus.Interface(found[0], 'org.a11y.atspi.Action').DoAction(0)


def watch(seconds):
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib
    DBusGMainLoop(set_as_default=True)
    bus = a11y_bus()
    registry = bus.get_object('org.a11y.atspi.Registry', '/org/a11y/atspi/registry',
                              introspect=False)
    reg = dbus.Interface(registry, 'org.a11y.atspi.Registry')
    # Programs send only the events some listener has registered for.
    reg.RegisterEvent('object:property-change:accessible-name')
    reg.RegisterEvent('object:property-change:accessible-value')

    def changed(kind, detail1, detail2, value, *rest, **kw):
        if kind not in ('accessible-name', 'accessible-value'):
            return
        obj = bus.get_object(kw['sender'], kw['path'], introspect=False)
        try:
            role = str(dbus.Interface(obj, ACC).GetRoleName())
            name = str(dbus.Interface(obj, PROPS).Get(ACC, 'Name'))
        except dbus.DBusException:
            return
        if kind == 'accessible-value':
            try:
                value = float(dbus.Interface(obj, PROPS).Get('org.a11y.atspi.Value',
                                                             'CurrentValue'))
            except dbus.DBusException:
                pass
            print('%s %s "%s" %g' % (kind, role, name, value), flush=True)
        else:
            print('%s %s "%s"' % (kind, role, name), flush=True)

    bus.add_signal_receiver(changed, signal_name='PropertyChange',
                            dbus_interface='org.a11y.atspi.Event.Object',
                            sender_keyword='sender', path_keyword='path')
    print('watching', flush=True)
    loop = GLib.MainLoop()
    GLib.timeout_add(int(seconds * 1000), loop.quit)
    loop.run()


def main():
    p = argparse.ArgumentParser()
    p.add_argument('--app', default='ZmPing2')
    p.add_argument('--enable', action='store_true')
    p.add_argument('--json', action='store_true')
    p.add_argument('--watch', type=float)
    p.add_argument('--press', nargs=2, metavar=('ROLE', 'NAME'))
    a = p.parse_args()
    if a.enable:
        enable()
    elif a.watch:
        watch(a.watch)
    elif a.press:
        press(a.app, *a.press)
    else:
        nodes = tree(a.app)
        if a.json:
            json.dump(nodes, sys.stdout, ensure_ascii=False)
        else:
            for n in nodes:
                print(line(n))


if __name__ == '__main__':
    main()
