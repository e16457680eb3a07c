"""A camera's test scenario: a battery that drains to nothing switches the camera off, and every client
is told that a shutdown is pending."""
import klcontrol
from klcontrol import u32


def test_draining_battery_leads_to_the_shutdown_pending_document():
    with klcontrol.Simulator(model=55) as camera, klcontrol.Daemon(), klcontrol.Client() as client:
        camera.set("status.battery_percent", 2)
        documents = klcontrol.watch(timeout=30)
        assert next(documents)["status"]["70"] == 2
        assert client.send("mode", u32(1)).status == 0  # the camera still obeys
        camera.ctl("drift", "step", 120)  # two minutes on: the battery is empty
        assert next(d for d in documents if "state" in d) == {"state": {"shutdown_pending": True}}
        assert client.send("get_all_status").status_name == "KL_ERR_NAK_OFF"
