"""The display the saver benchmarks run on: --screen WxH (an Xvfb of that size,
1280x720 by default) or --two-monitors (the two-monitor Xorg of
harness.TWO_MONITORS, with a slideshow on every monitor)."""


def add_options(parser):
    parser.add_argument("--screen", default="1280x720", help="WxH of the Xvfb screen")
    parser.add_argument("--two-monitors", action="store_true", help="monitors=all on two monitors")


def scenario_options(args):
    """Keyword arguments for harness.Scenario."""
    width, height = (int(n) for n in args.screen.split("x"))
    return dict(screen=(width, height), two_monitors=args.two_monitors)


def settings(args):
    """Settings the saver needs for the display, beside the benchmark's own."""
    return dict(monitors="all") if args.two_monitors else {}


def describe(args):
    return "two monitors, monitors=all" if args.two_monitors else f"a {args.screen} screen"
