// gjs shell_screenshot.js FILE: GNOME Shell's picture of the screen as PNG, no flash. The Shell
// answers only callers that own one of the names it trusts: this one takes org.gnome.Screenshot
// on the test's private session bus.
const {Gio, GLib} = imports.gi;
const bus = Gio.DBus.session;
const call = (name, path, iface, method, args, reply) =>
    bus.call_sync(name, path, iface, method, args, reply ? new GLib.VariantType(reply) : null,
        Gio.DBusCallFlags.NONE, 10000, null);
call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
    new GLib.Variant('(su)', ['org.gnome.Screenshot', 4]), '(u)');
const [ok] = call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot', 'org.gnome.Shell.Screenshot',
    'Screenshot', new GLib.Variant('(bbs)', [false, false, ARGV[0]]), '(bs)').deepUnpack();
if (!ok)
    throw new Error('the Shell took no picture');
