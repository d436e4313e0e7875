// SPDX-License-Identifier: GPL-2.0
/*
 * kcard demuxes: one software demux with its dvr per tuner. The tuner's
 * packets come from user space; once the CI slot routes the stream, they go
 * out to the CAM first and what comes back from it reaches the demux.
 */

#include <linux/module.h>
#include <linux/slab.h>

#include "kcard.h"

/* What the demux finds between sync bytes is its own business. */
static bool whole_packets(u32 len)
{
	return len && len % KCARD_TS_PACKET == 0;
}

/* Packets as the tuner delivers them. */
int kcard_dmx_tuner_ts(struct kcard *kc, int index, const u8 *data, u32 len)
{
	if (index >= KCARD_TUNERS || !whole_packets(len))
		return -EINVAL;
	if (kcard_ci_ts_on(kc))
		return kcard_emit(kc, KCARD_EV_CAM_TS, index, data, len);
	dvb_dmx_swfilter(&kc->dmx[index].demux, data, len);
	return 0;
}

/*
 * Packets out of the CAM. Those still on their way when the CAM stopped
 * routing the stream are refused: the stream bypasses it now.
 */
int kcard_dmx_cam_ts(struct kcard *kc, int index, const u8 *data, u32 len)
{
	if (index >= KCARD_TUNERS || !whole_packets(len))
		return -EINVAL;
	if (!kcard_ci_ts_on(kc))
		return -ENOLINK;
	dvb_dmx_swfilter(&kc->dmx[index].demux, data, len);
	return 0;
}

/* dvb-core starts and stops feeds under the demux mutex. */
static int kcard_feed(struct dvb_demux_feed *feed, bool on)
{
	struct kcard_dmx *d = feed->demux->priv;
	struct kcard_feed f = { .pid = feed->pid, .on = on };
	u16 *users;

	if (feed->pid >= KCARD_PIDS)
		return -EINVAL;
	users = &d->pid_users[feed->pid];
	if (!on && !*users)
		return 0;
	if (on ? (*users)++ : --(*users))
		return 0;
	kcard_emit(d->kc, KCARD_EV_FEED, d->index, &f, sizeof(f));
	return 0;
}

static int kcard_start_feed(struct dvb_demux_feed *feed)
{
	return kcard_feed(feed, true);
}

static int kcard_stop_feed(struct dvb_demux_feed *feed)
{
	return kcard_feed(feed, false);
}

void kcard_dmx_replay_feeds(struct kcard *kc, int index)
{
	struct kcard_dmx *d = &kc->dmx[index];
	struct kcard_feed f = { .on = 1 };

	mutex_lock(&d->demux.mutex);
	for (f.pid = 0; f.pid < KCARD_PIDS; f.pid++)
		if (d->pid_users[f.pid])
			kcard_replay(kc, KCARD_EV_FEED, index, &f, sizeof(f));
	mutex_unlock(&d->demux.mutex);
}

int kcard_dmx_register(struct kcard *kc, int index)
{
	struct kcard_dmx *d = &kc->dmx[index];
	int ret;

	d->kc = kc;
	d->index = index;
	d->pid_users = kcalloc(KCARD_PIDS, sizeof(*d->pid_users), GFP_KERNEL);
	if (!d->pid_users)
		return -ENOMEM;
	d->demux.dmx.capabilities = DMX_TS_FILTERING | DMX_SECTION_FILTERING;
	d->demux.priv = d;
	d->demux.filternum = 256;
	d->demux.feednum = 256;
	d->demux.start_feed = kcard_start_feed;
	d->demux.stop_feed = kcard_stop_feed;
	ret = dvb_dmx_init(&d->demux);
	if (ret)
		goto free;

	d->dmxdev.filternum = 256;
	d->dmxdev.demux = &d->demux.dmx;
	d->dmxdev.capabilities = 0;
	ret = dvb_dmxdev_init(&d->dmxdev, kcard_adapter_of(kc, index));
	if (!ret)
		return 0;
	dvb_dmx_release(&d->demux);
free:
	kfree(d->pid_users);
	return ret;
}

/* Waits until the demux and dvr of the tuner are closed by their users. */
void kcard_dmx_unregister(struct kcard *kc, int index)
{
	struct kcard_dmx *d = &kc->dmx[index];

	dvb_dmxdev_release(&d->dmxdev);
	dvb_dmx_release(&d->demux);
	kfree(d->pid_users);
	d->pid_users = NULL;
}
