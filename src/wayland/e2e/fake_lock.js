// gjs fake_lock.js gnome|freedesktop|logind answer|hold: a desktop's lock on the test's private
// buses, as the saver sees one. gnome and freedesktop: the screensaver on the session bus
// (GetActive, SetActive, Lock, ActiveChanged); logind: a manager and one session on the bus of
// DBUS_SYSTEM_BUS_ADDRESS (GetSession, LockSession, the session's Lock signal, LockedHint,
// SetLockedHint). With answer, a Lock reports the lock up; with hold, it is taken and nothing
// follows until the test sets the state (SetActive, SetLockedHint). Prints each call.
const {Gio, GLib} = imports.gi;
const [kind, mode] = ARGV;

function own(bus, name) {
    bus.call_sync('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
        new GLib.Variant('(su)', [name, 4]), new GLib.VariantType('(u)'), Gio.DBusCallFlags.NONE, 10000, null);
}

function screenSaver(name, paths) {
    const xml = `<node><interface name="${name}">
      <method name="GetActive"><arg type="b" direction="out"/></method>
      <method name="SetActive"><arg type="b" direction="in"/></method>
      <method name="Lock"/>
      <signal name="ActiveChanged"><arg type="b"/></signal>
    </interface></node>`;
    const exported = [];
    let active = false;
    const setActive = value => {
        active = value;
        print(`ActiveChanged ${value}`);
        for (const object of exported)
            object.emit_signal('ActiveChanged', new GLib.Variant('(b)', [value]));
    };
    const service = {
        GetActive: () => active,
        SetActive: value => setActive(value),
        Lock: () => {
            print('Lock');
            if (mode === 'answer')
                GLib.idle_add(GLib.PRIORITY_DEFAULT, () => { setActive(true); return GLib.SOURCE_REMOVE; });
        },
    };
    for (const path of paths) {
        const object = Gio.DBusExportedObject.wrapJSObject(xml, service);
        object.export(Gio.DBus.session, path);
        exported.push(object);
    }
    own(Gio.DBus.session, name);
}

function logind() {
    const sessionPath = '/org/freedesktop/login1/session/_31';
    let hint = false;
    let session = null;
    const setLockedHint = value => {
        hint = value;
        print(`LockedHint ${value}`);
        session.emit_property_changed('LockedHint', new GLib.Variant('b', value));
        session.flush();
    };
    session = Gio.DBusExportedObject.wrapJSObject(`<node><interface name="org.freedesktop.login1.Session">
      <method name="SetLockedHint"><arg type="b" direction="in"/></method>
      <property name="LockedHint" type="b" access="read"/>
      <signal name="Lock"/>
    </interface></node>`, {
        get LockedHint() { return hint; },
        SetLockedHint: setLockedHint,
    });
    const manager = Gio.DBusExportedObject.wrapJSObject(`<node><interface name="org.freedesktop.login1.Manager">
      <method name="GetSession"><arg type="s" direction="in"/><arg type="o" direction="out"/></method>
      <method name="LockSession"><arg type="s" direction="in"/></method>
    </interface></node>`, {
        GetSession: () => sessionPath,
        LockSession: id => {
            print(`LockSession ${id}`);
            session.emit_signal('Lock', null);
            if (mode === 'answer')
                GLib.idle_add(GLib.PRIORITY_DEFAULT, () => { setLockedHint(true); return GLib.SOURCE_REMOVE; });
        },
    });
    const bus = Gio.DBus.system;
    session.export(bus, sessionPath);
    manager.export(bus, '/org/freedesktop/login1');
    own(bus, 'org.freedesktop.login1');
}

if (kind === 'gnome')
    screenSaver('org.gnome.ScreenSaver', ['/org/gnome/ScreenSaver']);
else if (kind === 'freedesktop')
    screenSaver('org.freedesktop.ScreenSaver', ['/org/freedesktop/ScreenSaver', '/ScreenSaver']);
else
    logind();
print('ready');
new GLib.MainLoop(null, false).run();
